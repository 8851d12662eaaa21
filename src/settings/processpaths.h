#pragma once
// Where this process finds its files: values set once at start-up and read by the editor, the
// builder and the slideshow.
//
// The settings files ("QelSetup.dat", "QelPreview.dat") live beside the program when this user
// may write there: a build, a portable copy, a saver installed by a package. A program installed
// for everyone (a folder only the administrator may change) keeps them in each user's own
// configuration folder instead, $XDG_CONFIG_HOME/qelsaver/, which gets a copy of the program
// folder's "QelSetup.dat" as the user's first settings. Every reader and writer asks
// SetupFilePath() and PreviewFilePath(), so the choice is made once, here.

#include <string>

#include "platform/windowhandle.h"

namespace qel::settings {

struct ProcessValues {
    std::string exePath;                      // the program file's folder, with a trailing "/"
    std::string appPath;                      // application folder (section "Path", key "AppPath"; default exePath)
    std::string tempPath;                     // the system's temporary folder + "QelSaver/"
    std::string settingsPath;                 // folder of the settings files, with a trailing "/"; empty: exePath
    platform::WindowHandle parentHandle = 0;  // the window given on the command line, 0 when none
};

ProcessValues& Process();

// Fills exePath, settingsPath, appPath and tempPath for a program living in `exePath`, reading
// AppPath from the settings file. Returns why the user's own settings folder could not be set up
// (the settings are then read from beside the program), or the empty text.
std::string InitProcessPaths(const std::string& exePath);

// The folder that holds the settings files of a program living in `exePath` (with a trailing "/"):
// exePath itself when this user may write there, else PrepareUserSettingsFolder(exePath).
[[nodiscard]] std::string PrepareSettingsFolder(const std::string& exePath, std::string* problem = nullptr);

// The user's own settings folder, the configuration folder + "qelsaver/", created when missing;
// when it has no "QelSetup.dat" yet, the one in `exePath` (if any) is copied in. When that folder
// cannot be made or filled, exePath, with the cause in *problem.
[[nodiscard]] std::string PrepareUserSettingsFolder(const std::string& exePath, std::string* problem = nullptr);

// The settings files: what the saver shows, and what the editor's preview shows.
[[nodiscard]] std::string SetupFilePath();
[[nodiscard]] std::string PreviewFilePath();
// The copy in the system folder that the preview inside the system's dialog shows.
[[nodiscard]] std::string SystemSetupFilePath();

}  // namespace qel::settings
