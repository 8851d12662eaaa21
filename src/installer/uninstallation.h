#pragma once
// Removing an installed saver: exactly the files and folders its manifest lists, and the change it
// made in the screen-saver host; then the manifest, and the saver's folder and the folders above it
// that the installer made, each only when nothing else is left in it.

#include <stdexcept>
#include <string>
#include <vector>

#include "installer/manifest.h"

namespace qel::installer {

struct UninstallError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct UninstallReport {
    std::string saverName;
    std::string hostMessage;        // what became of the host's entry; empty when there was none
    std::vector<std::string> kept;  // what could not be removed, or holds files of the user's
    bool folderRemoved = false;
};

// Reads the manifest of the saver installed in `folder`. Throws UninstallError when there is none.
[[nodiscard]] Manifest ReadManifest(const std::string& folder);

// True when `folder` holds a manifest of an installed saver.
[[nodiscard]] bool HoldsInstalledSaver(const std::string& folder);

// Uninstalls the saver in `folder`. keepFolder: the folder itself (and what is above it) stays, for
// an install that replaces this one. Throws UninstallError when there is no manifest, or a host file
// cannot be written (nothing is removed then).
UninstallReport Uninstall(const std::string& folder, bool keepFolder = false);

}  // namespace qel::installer
