#pragma once
// Where this process finds its files: values set once at start-up and read by the editor, the
// builder and the slideshow.

#include <string>

#include "platform/windowhandle.h"

namespace qel::settings {

struct ProcessValues {
    std::string exePath;                      // the program file's folder, with a trailing "/"
    std::string appPath;                      // application folder (section "Path", key "AppPath"; default exePath)
    std::string tempPath;                     // the system's temporary folder + "QelSaver/"
    platform::WindowHandle parentHandle = 0;  // the window given on the command line, 0 when none
};

ProcessValues& Process();

// Fills exePath, appPath and tempPath for a program living in `exePath`, reading AppPath from the
// settings file there.
void InitProcessPaths(const std::string& exePath);

// The settings files beside the program: what the saver shows, and what the editor's preview shows.
[[nodiscard]] std::string SetupFilePath();
[[nodiscard]] std::string PreviewFilePath();
// The copy in the system folder that the preview inside the system's dialog shows.
[[nodiscard]] std::string SystemSetupFilePath();

}  // namespace qel::settings
