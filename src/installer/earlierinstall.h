#pragma once
// What an install does with what it finds beside and in its target: private folders of earlier
// installs that never finished (removed once nobody holds their lock), and the earlier install of the
// same saver that the new one replaces. Files the user added to that earlier install, or changed
// since, go into the new folder before it takes the old one's place, so that nothing of the user's is
// lost; the old folder then loses exactly the installer's files and those carried over.

#include <string>
#include <vector>

#include "installer/manifest.h"
#include "platform/folderhandle.h"

namespace qel::installer {

inline constexpr const char* kStagingPrefix = ".qelsaver-install-";

// Removes the folders in `parent` named like an install's private folder, owned by this user, whose
// lock nobody holds (their install was killed or the machine went down).
void RemoveStaleStagingFolders(const platform::FolderHandle& parent);

struct CarriedFile {
    std::string from;  // relative to the earlier install's folder
    std::string to;    // relative to the new one (another name when the new install has one like it)
};

// Carries every file, link and folder of the user's in `earlier` (not the installer's by `manifest`,
// or changed since) into `staging`, as a second name of the same file (its content is never copied
// or touched). Throws InstallError when something there is neither, or cannot be carried; `earlier`
// is never changed.
std::vector<CarriedFile> CarryUsersFiles(const platform::FolderHandle& earlier, const Manifest& manifest,
                                         const platform::FolderHandle& staging);

// After the swap: removes from `replaced` (the earlier install, now under a private name in `parent`)
// the installer's files as `manifest` lists them and the names carried over, then the folder itself.
// True when it is gone; otherwise it is renamed to `keptName` (numbered when taken), which is
// returned in `kept`.
bool RemoveReplacedInstall(const platform::FolderHandle& parent, const std::string& replaced, const Manifest& manifest,
                           const std::vector<CarriedFile>& carried, const std::string& keptName, std::string& kept);

}  // namespace qel::installer
