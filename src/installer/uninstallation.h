#pragma once
// Removing an installed saver: the files its manifest lists, each only while it is still the file
// that was installed (a regular file of the same size and content, reached without following a
// link), and the change it made in the screen-saver host; then the manifest, and the saver's folder
// and the folders above it that the installer made, each only when nothing else is left in it.
// Whatever the user added or changed stays, and the report says so. Private folders that a killed
// install left beside the saver's go too.

#include <stdexcept>
#include <string>
#include <vector>

#include "installer/manifest.h"
#include "platform/folderhandle.h"

namespace qel::installer {

struct UninstallError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct UninstallReport {
    std::string saverName;
    std::string hostMessage;        // what became of the host's entry; empty when there was none
    std::vector<std::string> kept;  // what stays, with the reason
    bool folderRemoved = false;
};

// The manifest of the saver installed in `folder`. Throws UninstallError when there is no manifest
// of this installer's there.
[[nodiscard]] Manifest ReadManifest(const platform::FolderHandle& folder);
[[nodiscard]] Manifest ReadManifest(const std::string& folder);

// True when the folder `name` in `parent` (itself, not a link) holds a manifest of this installer's.
[[nodiscard]] bool HoldsInstalledSaver(const platform::FolderHandle& parent, const std::string& name);
[[nodiscard]] bool HoldsInstalledSaver(const std::string& folder);

// True when `file` is still the file the installer wrote in `folder`: reached without a link, a
// regular file, of the size and content recorded.
[[nodiscard]] bool IsInstalledFile(const platform::FolderHandle& folder, const InstalledFile& file);

// Uninstalls the saver in `folder`. Throws UninstallError when there is no manifest, or a host file
// cannot be written (nothing is removed then).
UninstallReport Uninstall(const std::string& folder);

}  // namespace qel::installer
