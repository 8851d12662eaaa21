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
    std::string programFolder;  // the program file's folder, with a trailing "/"
    std::string appPath;        // application folder (section "Path", key "AppPath"; default programFolder)
    std::string tempPath;       // the system's temporary folder + "QelSaver/"
    std::string settingsPath;   // folder of the settings files, with a trailing "/"; empty: programFolder
    platform::WindowHandle parentHandle = 0;  // the window given on the command line, 0 when none
};

ProcessValues& Process();

// Fills programFolder, settingsPath, appPath and tempPath for a program living in `programFolder`, reading
// AppPath from the settings file. Returns why the user's own settings folder could not be set up
// (the settings are then read from beside the program), or the empty text.
std::string InitProcessPaths(const std::string& programFolder);

// The folder that holds the settings files of a program living in `programFolder` (with a trailing "/"):
// programFolder itself when this user may write there, else PrepareUserSettingsFolder(programFolder).
[[nodiscard]] std::string PrepareSettingsFolder(const std::string& programFolder, std::string* problem = nullptr);

// The user's own settings folder, the configuration folder + "qelsaver/", created when missing;
// when it has no "QelSetup.dat" yet, the one in `programFolder` (if any) is copied in. When that folder
// cannot be made or filled, programFolder, with the cause in *problem.
[[nodiscard]] std::string PrepareUserSettingsFolder(const std::string& programFolder, std::string* problem = nullptr);

// The settings files: what the saver shows, and what the editor's preview shows.
[[nodiscard]] std::string SetupFilePath();
[[nodiscard]] std::string PreviewFilePath();
// The copy in the system folder that the preview inside the system's dialog shows.
[[nodiscard]] std::string SystemSetupFilePath();

}  // namespace qel::settings
