#pragma once
// "Uninstall.ini", written by the installer into the saver's folder: every file it wrote there, the
// folders it made, and what it changed in the desktop's screen-saver host. The uninstaller removes
// exactly these and nothing else.
//
//   [Saver]   Name, Program (the saver program's file), CreatedParents (how many folders above the
//             saver's folder the installer made)
//   [Files]   one key per file, relative to the saver's folder ("Pictures/sun.jpg")
//   [Folders] one key per folder inside it ("Pictures")
//   [Host]    the host change (see hosts::HostChange); absent when none was made

#include <string>
#include <vector>

#include "hosts/saverhost.h"

namespace qel::installer {

inline constexpr const char* kManifestFile = "Uninstall.ini";
inline constexpr const char* kInstalledSettingsFile = "QelSetup.dat";
inline constexpr const char* kPicturesFolder = "Pictures";
inline constexpr const char* kSoundsFolder = "Sounds";

struct Manifest {
    std::string saverName;
    std::string program;               // file name of the saver program in the folder
    int createdParents = 0;            // folders above the saver's folder made by the installer
    std::vector<std::string> files;    // relative to the saver's folder
    std::vector<std::string> folders;  // relative to the saver's folder
    hosts::HostChange host;
};

[[nodiscard]] std::string FormatManifest(const Manifest& m);
// Reads a manifest. Entries that could reach outside the saver's folder are dropped, so that a
// damaged or edited manifest can never make the uninstaller touch anything else.
[[nodiscard]] Manifest ParseManifest(const std::string& text);

// A relative path the manifest may name: a plain name, or a plain name inside one of the two
// subfolders.
[[nodiscard]] bool IsManifestPath(const std::string& relative);

}  // namespace qel::installer
