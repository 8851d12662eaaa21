#pragma once
// "Uninstall.ini", written by the installer into the saver's folder: every file it wrote there with
// its size and content hash, the folders it made, and what it changed in the desktop's screen-saver
// host. Only a folder holding such a record counts as an install of ours, and the uninstaller
// removes exactly these files, each only while it is still the file that was written.
//
//   [Saver]   Format (2), Name, Program (the saver program's file), CreatedParents (how many
//             folders above the saver's folder the installer made)
//   [Files]   one key per file, relative to the saver's folder ("Pictures/sun.jpg"), the value its
//             size in bytes, a blank and its content hash
//   [Folders] one key per folder inside it ("Pictures")
//   [Host]    the host change (see hosts::HostChange); absent when none was made

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/saverhost.h"

namespace qel::installer {

inline constexpr const char* kManifestFile = "Uninstall.ini";
inline constexpr const char* kInstalledSettingsFile = "QelSetup.dat";
inline constexpr const char* kPicturesFolder = "Pictures";
inline constexpr const char* kSoundsFolder = "Sounds";

struct InstalledFile {
    std::string path;  // relative to the saver's folder
    std::uint64_t size = 0;
    std::string hash;  // ContentHash
};

struct Manifest {
    bool valid = false;  // written by this installer, every file with its size and hash
    std::string saverName;
    std::string program;     // file name of the saver program in the folder
    int createdParents = 0;  // folders above the saver's folder made by the installer
    std::vector<InstalledFile> files;
    std::vector<std::string> folders;  // relative to the saver's folder
    hosts::HostChange host;
};

[[nodiscard]] std::string FormatManifest(const Manifest& m);
// Reads a manifest. Entries that could reach outside the saver's folder are dropped, so that a
// damaged or edited manifest can never make the uninstaller touch anything else. A text that is no
// manifest of this installer's (another program's "Uninstall.ini", an older or damaged one, a file
// entry without its size and hash) gives valid == false.
[[nodiscard]] Manifest ParseManifest(const std::string& text);

// A relative path the manifest may name: a plain name, or a plain name inside one of the two
// subfolders.
[[nodiscard]] bool IsManifestPath(const std::string& relative);

}  // namespace qel::installer
