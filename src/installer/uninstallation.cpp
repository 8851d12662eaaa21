#include "installer/uninstallation.h"

#include <filesystem>

#include "installer/contenthash.h"
#include "installer/earlierinstall.h"
#include "platform/safefiles.h"

namespace qel::installer {
namespace fs = std::filesystem;
using platform::EntryStatus;
using platform::FolderHandle;
namespace {

constexpr std::uint64_t kLargestManifest = 16u << 20;

std::pair<std::string, std::string> SplitFolder(const std::string& path)
{
    const auto slash = path.find('/');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

std::string ParentOf(const std::string& folder)
{
    const std::string parent = fs::path(folder).parent_path().string();
    return parent.empty() ? std::string("/") : parent;
}

std::string NameOf(const std::string& folder)
{
    return fs::path(folder).filename().string();
}

std::string CleanFolder(const std::string& text)
{
    fs::path folder = fs::absolute(fs::path(text)).lexically_normal();
    if (folder.filename().empty())
        folder = folder.parent_path();  // a trailing "/"
    return folder.string();
}

// "(it holds files that are not the installer's: a.jpg, b.txt)", naming a few of them.
std::string HoldsOthers(const FolderHandle& folder, const std::string& name)
{
    constexpr std::size_t kNamed = 5;
    std::string text = " (it holds files that are not the installer's";
    if (const auto inner = folder.TryOpenFolder(name)) {
        try {
            const std::vector<std::string> names = inner->Names();
            for (std::size_t i = 0; i < names.size() && i < kNamed; ++i)
                text += (i == 0 ? ": " : ", ") + names[i];
            if (names.size() > kNamed)
                text += ", ...";
        } catch (const platform::FileError&) {
        }
    }
    return text + ")";
}

}  // namespace

Manifest ReadManifest(const FolderHandle& folder)
{
    std::string text;
    try {
        text = folder.ReadWholeFile(kManifestFile, kLargestManifest);
    } catch (const platform::FileError&) {
        throw UninstallError("No screen saver installed by a package is in \"" + folder.Path() + "\" (" +
                             kManifestFile + " is missing)");
    }
    Manifest m = ParseManifest(text);
    if (!m.valid)
        throw UninstallError("\"" + folder.PathOf(kManifestFile) +
                             "\" was not written by this installer (or is damaged): nothing is removed");
    return m;
}

Manifest ReadManifest(const std::string& folder)
{
    const std::string clean = CleanFolder(folder);
    try {
        return ReadManifest(FolderHandle::OpenAsFound(ParentOf(clean)).OpenFolder(NameOf(clean)));
    } catch (const platform::FileError& e) {
        throw UninstallError(e.what());
    }
}

bool HoldsInstalledSaver(const FolderHandle& parent, const std::string& name)
{
    const auto folder = parent.TryOpenFolder(name);
    if (!folder)
        return false;
    try {
        return ParseManifest(folder->ReadWholeFile(kManifestFile, kLargestManifest)).valid;
    } catch (const platform::FileError&) {
        return false;
    }
}

bool HoldsInstalledSaver(const std::string& folder)
{
    const std::string clean = CleanFolder(folder);
    try {
        return HoldsInstalledSaver(FolderHandle::OpenAsFound(ParentOf(clean)), NameOf(clean));
    } catch (const platform::FileError&) {
        return false;
    }
}

bool IsInstalledFile(const FolderHandle& folder, const InstalledFile& file)
{
    const auto [sub, name] = SplitFolder(file.path);
    std::optional<FolderHandle> inner;
    if (!sub.empty()) {
        inner = folder.TryOpenFolder(sub);
        if (!inner)
            return false;
    }
    const FolderHandle& where = inner ? *inner : folder;
    const EntryStatus s = where.Status(name);
    if (s.type != EntryStatus::Type::File || s.size != file.size)
        return false;
    ContentHash hash;
    try {
        const EntryStatus read = where.ReadFile(name, [&](const std::uint8_t* d, std::size_t n) { hash.Add(d, n); });
        if (read.inode != s.inode || read.device != s.device)
            return false;
    } catch (const platform::FileError&) {
        return false;
    }
    return hash.Finish() == file.hash;
}

UninstallReport Uninstall(const std::string& folderText)
{
    const std::string path = CleanFolder(folderText);
    std::optional<FolderHandle> parent;
    std::optional<FolderHandle> folder;
    try {
        parent.emplace(FolderHandle::OpenAsFound(ParentOf(path)));
        folder.emplace(parent->OpenFolder(NameOf(path)));
    } catch (const platform::FileError& e) {
        throw UninstallError(e.what());
    }
    const Manifest m = ReadManifest(*folder);
    UninstallReport report;
    report.saverName = m.saverName;
    // The host first: when its file cannot be written the saver stays whole, and the user can try again.
    try {
        report.hostMessage = hosts::UndoHostChange(m.host);
    } catch (const std::exception& e) {
        throw UninstallError(e.what());
    }
    for (const InstalledFile& f : m.files) {
        const auto [sub, name] = SplitFolder(f.path);
        const EntryStatus there = sub.empty() ? folder->Status(name) : EntryStatus{};
        if (sub.empty() && there.type == EntryStatus::Type::Missing)
            continue;
        if (!sub.empty() && folder->Status(sub).type != EntryStatus::Type::Folder) {
            if (folder->Status(sub).type != EntryStatus::Type::Missing)
                report.kept.push_back(folder->PathOf(f.path) + " (\"" + sub +
                                      "\" is not the installer's folder: nothing is removed through it)");
            continue;
        }
        if (!IsInstalledFile(*folder, f)) {
            const auto inner = sub.empty() ? std::nullopt : folder->TryOpenFolder(sub);
            const bool gone = inner && inner->Status(name).type == EntryStatus::Type::Missing;
            if (!gone)
                report.kept.push_back(folder->PathOf(f.path) + " (changed since it was installed)");
            continue;
        }
        bool removed = false;
        if (sub.empty()) {
            removed = folder->RemoveFile(name);
        } else if (const auto inner = folder->TryOpenFolder(sub)) {
            removed = inner->RemoveFile(name);
        }
        if (!removed)
            report.kept.push_back(folder->PathOf(f.path) + " (could not be removed)");
    }
    for (const std::string& f : m.folders) {
        if (folder->Status(f).type == EntryStatus::Type::Folder && !folder->RemoveEmptyFolder(f))
            report.kept.push_back(folder->PathOf(f) + HoldsOthers(*folder, f));
    }
    if (folder->Status(kManifestFile).type == EntryStatus::Type::File)
        folder->RemoveFile(kManifestFile);
    // What an install killed half-way left beside it goes too.
    try {
        RemoveStaleStagingFolders(*parent);
    } catch (const platform::FileError&) {
    }
    report.folderRemoved = parent->RemoveEmptyFolder(NameOf(path));
    if (!report.folderRemoved) {
        report.kept.push_back(path + HoldsOthers(*parent, NameOf(path)));
        return report;
    }
    fs::path above = fs::path(path).parent_path();
    for (int i = 0; i < m.createdParents; ++i) {
        std::error_code ec;
        // Only an empty folder of its own: a link the user keeps in its place stays.
        if (!fs::is_directory(fs::symlink_status(above, ec)) || !fs::is_empty(above, ec) || !fs::remove(above, ec))
            break;
        above = above.parent_path();
    }
    return report;
}

}  // namespace qel::installer
