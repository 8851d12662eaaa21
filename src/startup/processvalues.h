#pragma once
// Values set once at start-up and read by the editor, the builder and the slideshow.

#include <string>

#include "startup/commandline.h"

namespace qel::startup {

struct ProcessValues {
    std::string exePath;   // the program file's folder, with a trailing "/"
    std::string appPath;   // application folder (section "Path", key "AppPath"; default exePath)
    std::string tempPath;  // the system's temporary folder + "QelSaver/"
    WindowHandle parentHandle = 0;  // the window given on the command line, 0 when none
};

ProcessValues& Process();

// Fills exePath, appPath and tempPath for a program living in `exePath`, reading AppPath from the
// settings file there.
void InitProcessPaths(const std::string& exePath);

}  // namespace qel::startup
