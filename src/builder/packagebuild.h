#pragma once
// Building a package from a work folder that holds "SaverSetup.dat": the file list "install.ini",
// the copies of the saver program and the uninstaller, the archive "Install.dat", and the package
// file itself. The builder window and `qelsaver-tool package build` both run this.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qel::builder {

struct BuildInputs {
    std::string name;           // the screen saver's name
    std::string workFolder;     // holds "SaverSetup.dat"; ends in "/"
    std::string programFolder;  // the folder of the decoder library; ends in "/"
    std::string appPath;        // the folder holding "build/" with the prepared files; ends in "/"
    std::string packagePath;    // the package to write (replaced when it exists)
};

struct BuildProgress {
    std::function<void(int maximum)> setMaximum;  // the bar's maximum: files to archive + 2
    std::function<void()> step;                   // one step of the bar
    std::function<void()> idle;                   // lets pending events through during long work
};

// Something the user can mend: what is missing, or why the package cannot be made.
struct BuildError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What a finished build left out: a picture or sound of the settings that is no file to archive
// (missing, a folder, a pipe or device), one line each naming it and the reason. Its key stays in
// "install.ini", so the package still says what it lacks.
struct BuildResult {
    std::vector<std::string> leftOut;
};

// Runs the build. Throws BuildError (or another std::runtime_error from the zip writer or the file
// system) when the package cannot be made, a name with a line break or another control character
// included; a package file already begun is left as it is.
BuildResult BuildPackage(const BuildInputs& in, const BuildProgress& progress);

// A new folder for one build, with a name of its own in the system's temporary folder, that only
// this user can enter; ends in "/". Throws std::runtime_error.
[[nodiscard]] std::string MakeWorkFolder();

// `tempPath` (made when missing) when it is a folder of this user's own that no one else may write
// to; otherwise (another user's, a link, open to all) a new private folder as MakeWorkFolder makes.
// Ends in "/". Throws std::runtime_error.
[[nodiscard]] std::string OwnTempPath(const std::string& tempPath);

// The prepared file `name` of the application folder.
[[nodiscard]] std::string PreparedFile(const std::string& appPath, const std::string& name);

// Copies `from` into a new or replaced file `to` in pieces of bounded size, calling idle between
// them. Throws std::runtime_error naming the file and the cause.
void CopyFileInPieces(const std::string& from, const std::string& to, const std::function<void()>& idle);

}  // namespace qel::builder
