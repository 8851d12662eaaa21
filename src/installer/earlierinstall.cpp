#include "installer/earlierinstall.h"

#include <map>

#include "base/paths.h"
#include "installer/installation.h"
#include "installer/uninstallation.h"
#include "platform/safefiles.h"

namespace qel::installer {
using platform::EntryStatus;
using platform::FolderHandle;
namespace {

constexpr const char* kYours = "-yours";

// The name under which the user's `name` joins a folder where the new install has one like it.
std::string FreeName(const FolderHandle& folder, const std::string& name)
{
    const auto dot = name.find('.', 1);
    std::string candidate = dot == std::string::npos ? name + kYours : name.substr(0, dot) + kYours + name.substr(dot);
    while (folder.Status(candidate).type != EntryStatus::Type::Missing)
        candidate = base::NextNumberedName(candidate);
    return candidate;
}

struct Carrier {
    const FolderHandle& root;
    std::map<std::string, const InstalledFile*> ours;
    std::vector<CarriedFile> carried;

    void Carry(const FolderHandle& from, const FolderHandle& to, const std::string& prefix)
    {
        for (const std::string& name : from.Names()) {
            const std::string rel = prefix + name;
            if (rel == kManifestFile)
                continue;
            const EntryStatus s = from.Status(name);
            const auto own = ours.find(rel);
            if (own != ours.end() && IsInstalledFile(root, *own->second))
                continue;  // the installer's, unchanged: the new install brings its own
            const EntryStatus there = to.Status(name);
            if (s.type == EntryStatus::Type::Folder) {
                std::string into = name;
                if (there.type != EntryStatus::Type::Missing && there.type != EntryStatus::Type::Folder)
                    into = FreeName(to, name);
                to.MakeFolder(into, s.mode);
                Carry(from.OpenFolder(name), to.OpenFolder(into), rel + "/");
                continue;
            }
            const std::string into = there.type == EntryStatus::Type::Missing ? name : FreeName(to, name);
            if (s.type == EntryStatus::Type::File)
                from.HardLink(name, to, into);
            else if (s.type == EntryStatus::Type::Link)
                to.MakeLink(from.ReadLink(name), into);
            else
                throw InstallError("\"" + from.PathOf(name) +
                                   "\" is neither a file nor a folder: move it out of the saver's folder and "
                                   "install again (nothing was changed)");
            carried.push_back({rel, prefix + into});
        }
    }
};

bool RemoveVerified(const FolderHandle& folder, const std::string& prefix, const FolderHandle& root,
                    const std::map<std::string, const InstalledFile*>& ours,
                    const std::map<std::string, EntryStatus>& carried)
{
    bool all = true;
    for (const std::string& name : folder.Names()) {
        const std::string rel = prefix + name;
        const EntryStatus s = folder.Status(name);
        if (s.type == EntryStatus::Type::Folder) {
            const auto inner = folder.TryOpenFolder(name);
            all = inner && RemoveVerified(*inner, rel + "/", root, ours, carried) && folder.RemoveEmptyFolder(name) &&
                  all;
            continue;
        }
        bool mayGo = rel == kManifestFile && s.type == EntryStatus::Type::File;
        if (const auto c = carried.find(rel); c != carried.end()) {
            // A link was made anew; a file lives on under its second name, the very same file.
            mayGo = s.type == EntryStatus::Type::Link ||
                    (s.type == EntryStatus::Type::File && s.inode == c->second.inode && s.device == c->second.device);
        } else if (const auto o = ours.find(rel); o != ours.end()) {
            mayGo = IsInstalledFile(root, *o->second);
        }
        all = mayGo && folder.RemoveFile(name) && all;
    }
    return all;
}

std::map<std::string, const InstalledFile*> ByPath(const Manifest& m)
{
    std::map<std::string, const InstalledFile*> ours;
    for (const InstalledFile& f : m.files)
        ours[f.path] = &f;
    return ours;
}

}  // namespace

void RemoveStaleStagingFolders(const FolderHandle& parent)
{
    const std::string prefix = kStagingPrefix;
    for (const std::string& name : parent.Names()) {
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const EntryStatus s = parent.Status(name);
        if (s.type != EntryStatus::Type::Folder || s.owner != platform::UserId())
            continue;
        const auto folder = parent.TryOpenFolder(name);
        if (folder && folder->TryLock())
            parent.RemoveTree(name);
    }
}

std::vector<CarriedFile> CarryUsersFiles(const FolderHandle& earlier, const Manifest& manifest,
                                         const FolderHandle& staging)
{
    Carrier c{earlier, ByPath(manifest), {}};
    try {
        c.Carry(earlier, staging, "");
    } catch (const platform::FileError& e) {
        throw InstallError(std::string("Your files in the earlier install cannot be kept in the new one: ") + e.what() +
                           ". Nothing was changed: move the file out of the saver's folder and install again.");
    }
    return c.carried;
}

bool RemoveReplacedInstall(const FolderHandle& parent, const std::string& replaced, const Manifest& manifest,
                           const std::vector<CarriedFile>& carried, const std::string& keptName, std::string& kept)
{
    const auto folder = parent.TryOpenFolder(replaced);
    if (!folder)
        return false;
    std::map<std::string, EntryStatus> carriedStatus;
    for (const CarriedFile& c : carried) {
        std::string sub, name = c.from;
        const auto slash = c.from.rfind('/');
        std::optional<FolderHandle> inner;
        if (slash != std::string::npos) {
            sub = c.from.substr(0, slash);
            name = c.from.substr(slash + 1);
            inner = folder->TryOpenFolder(sub);
        }
        if (slash == std::string::npos || inner)
            carriedStatus[c.from] = (inner ? *inner : *folder).Status(name);
    }
    try {
        if (RemoveVerified(*folder, "", *folder, ByPath(manifest), carriedStatus) && parent.RemoveEmptyFolder(replaced))
            return true;
    } catch (const platform::FileError&) {
    }
    // What could not be told to be ours or carried stays where the user can see it.
    kept = keptName;
    for (int i = 0; i < 100; ++i) {
        try {
            parent.Move(replaced, parent, kept);
            kept = parent.PathOf(kept);
            return false;
        } catch (const platform::FileError&) {
            kept = base::NextNumberedName(kept);
        }
    }
    kept = parent.PathOf(replaced);
    return false;
}

}  // namespace qel::installer
