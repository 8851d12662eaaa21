#include "installer/installation.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "base/paths.h"
#include "base/text.h"
#include "builder/entrynames.h"
#include "builder/packageformat.h"
#include "installer/contenthash.h"
#include "installer/earlierinstall.h"
#include "installer/uninstallation.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/safefiles.h"
#include "platform/stopsignals.h"
#include "platform/userfolders.h"
#include "settings/inifile.h"
#include "settings/listentries.h"
#include "settings/saversettings.h"

namespace qel::installer {
using base::Printable;
namespace fs = std::filesystem;
namespace {

using builder::FileKind;
using builder::PackageFile;

constexpr mode_t kProgramMode = 0755;
constexpr mode_t kDataMode = 0644;
constexpr mode_t kFolderMode = 0755;
constexpr std::size_t kLongestFileName = 255;   // what the usual file systems allow
constexpr std::uint64_t kSpareBytes = 1 << 20;  // the settings and the manifest, and some slack
constexpr std::uint64_t kMegabyte = 1 << 20;

std::string WithSlash(std::string path)
{
    return base::AddTrailingSlash(path);
}

std::string Megabytes(std::uint64_t bytes)
{
    const std::uint64_t tenths = (bytes * 10 + kMegabyte / 2) / kMegabyte;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

bool IsDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(fs::symlink_status(path, ec));
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Names the installer writes itself; a file of the package must not take one of them.
const std::set<std::string>& ReservedNames()
{
    static const std::set<std::string> names = {kManifestFile, kInstalledSettingsFile,   kPicturesFolder,
                                                kSoundsFolder, builder::kDecoderLibrary, builder::kUninstallEntry};
    return names;
}

// Removes the private folder of a failed install with everything in it.
class StagingGuard {
public:
    StagingGuard(const platform::FolderHandle& parent, std::string name) : parent_(parent), name_(std::move(name)) {}
    ~StagingGuard()
    {
        if (!name_.empty())
            parent_.RemoveTree(name_);
    }
    StagingGuard(const StagingGuard&) = delete;
    StagingGuard& operator=(const StagingGuard&) = delete;
    void Release() { name_.clear(); }

private:
    const platform::FolderHandle& parent_;
    std::string name_;
};

// A stop signal (Ctrl+C, the session ending) ends the install at the next piece it writes; the
// private folder then goes as after any failure.
void StopWhenAsked()
{
    if (platform::StopSignalReceived())
        throw InstallError("The install was stopped; nothing was changed.");
}

}  // namespace

std::string SaversFolder()
{
    // A package runs on somebody else's computer: without a usable HOME it does not guess where the
    // user's folders are.
    const std::string data = platform::UserDataFolder();
    if (data.empty()) {
        const std::string home = platform::Environment("HOME");
        throw InstallError(home.empty() ? std::string("HOME is not set, so there is no home folder to install into: "
                                                      "set HOME, or give a folder with --target")
                                        : "HOME (\"" + home +
                                              "\") is not a folder: set HOME to your home folder, or "
                                              "give a folder with --target");
    }
    return WithSlash(data) + "qelsaver/savers";
}

void CheckSettingsCanHold(const std::string& path, const std::string& what)
{
    if (const std::string why = settings::WhyListCannotHold(path); !why.empty())
        throw InstallError(what + " \"" + Printable(path) + "\" has " + why +
                           " in its path, which the saver's settings cannot hold: choose another folder");
}

std::string SafeFolderName(const std::string& saverName)
{
    std::string name = builder::MakeSafeEntryName(saverName);
    for (char& c : name) {
        if (c == ' ' || c == '\t')
            c = '_';
    }
    if (name.front() == '.')
        name.front() = '_';
    if (name.size() > kMaxFolderName)
        name.resize(kMaxFolderName);
    return name == "_" ? std::string("Saver") : name;
}

std::string InstalledSettings(const std::string& packagedSettings, const builder::PackageReader& package,
                              const std::string& target)
{
    const auto ini = settings::IniFile::FromText(packagedSettings);
    settings::SaverSettings s = settings::ReadSettings(ini, settings::SettingsReader::Editor);
    // The builder named each picture's and sound's entry from the paths in these settings; naming
    // them again the same way finds each one's installed copy.
    std::set<std::string> taken;
    for (const PackageFile& f : package.Files()) {
        if (f.kind == FileKind::Support || f.kind == FileKind::SaverProgram)
            taken.insert(base::AsciiLower(f.key));
    }
    auto relink = [&](const std::vector<std::string>& paths, FileKind kind, const char* folder) {
        const std::vector<builder::EntryName> names = builder::NameEntries(paths, taken);
        std::vector<std::string> installed;
        for (const builder::EntryName& n : names) {
            taken.insert(n.name);
            const PackageFile* f = package.Find(n.name);
            if (f && f->kind == kind && f->entry)
                installed.push_back(target + folder + "/" + f->key);
        }
        return installed;
    };
    s.images = relink(s.images, FileKind::Picture, kPicturesFolder);
    s.sounds = relink(s.sounds, FileKind::Sound, kSoundsFolder);
    return settings::FormatSettings(s);
}

Installation::Installation(const builder::PackageReader& package, std::string target) : package_(package)
{
    if (!package.Usable())
        throw InstallError("This package is damaged and cannot be installed:\n" + package.FatalProblems());
    PlanItems();
    ChooseTarget(std::move(target));
}

void Installation::PlanItems()
{
    manifest_.saverName = package_.SaverName();
    for (const PackageFile& f : package_.Files()) {
        if (!f.entry)
            continue;  // a picture or sound the sender's archive lacks (the reader noted it)
        InstallItem item;
        item.file = &f;
        switch (f.kind) {
        case FileKind::SaverProgram:
            item.installedAs = SafeFolderName(f.key);
            item.mode = kProgramMode;
            if (ReservedNames().count(item.installedAs))
                throw InstallError("This package is damaged: its screen-saver program is named \"" + f.key + "\"");
            manifest_.program = item.installedAs;
            break;
        case FileKind::Support:
            if (base::SameText(f.key, settings::kBuildSettingsFileName)) {
                if (f.entry->uncompressedSize > settings::IniFile::kMaxFileSize)
                    throw InstallError("This package is damaged: its settings file is too large");
            } else if (base::SameText(f.key, builder::kDecoderLibrary)) {
                item.installedAs = builder::kDecoderLibrary;
                item.mode = kProgramMode;
            } else if (base::SameText(f.key, builder::kUninstallEntry)) {
                item.installedAs = builder::kUninstallEntry;
                item.mode = kProgramMode;
            } else {
                continue;  // no other support file is known; it is left out
            }
            break;
        case FileKind::Picture:
            item.installedAs = std::string(kPicturesFolder) + "/" + f.key;
            ++pictures_;
            break;
        case FileKind::Sound:
            item.installedAs = std::string(kSoundsFolder) + "/" + f.key;
            ++sounds_;
            break;
        }
        const std::string fileName = item.installedAs.substr(item.installedAs.find('/') + 1);
        if (fileName.size() > kLongestFileName)
            throw InstallError("This package cannot be installed: the name of its file \"" + Printable(f.key) +
                               "\" is longer than a file system allows");
        totalBytes_ += f.entry->uncompressedSize;
        items_.push_back(std::move(item));
    }
    for (const InstallItem& item : items_) {
        if (item.installedAs.empty())
            settingsItem_ = &item;
    }
    if (pictures_ > 0)
        manifest_.folders.push_back(kPicturesFolder);
    if (sounds_ > 0)
        manifest_.folders.push_back(kSoundsFolder);
}

void Installation::ChooseTarget(std::string target)
{
    if (!target.empty()) {
        std::error_code ec;
        target = fs::absolute(target, ec).lexically_normal().string();
        while (target.size() > 1 && target.back() == '/')
            target.pop_back();
        CheckSettingsCanHold(target, "The folder");
        if (Exists(target)) {
            if (!IsDirectory(target))
                throw InstallError("\"" + Printable(target) + "\" exists and is not a folder of its own");
            replaces_ = HoldsInstalledSaver(target);
            if (!replaces_ && !fs::is_empty(target, ec))
                throw InstallError("The folder \"" + Printable(target) +
                                   "\" is not empty and holds no screen saver installed by a package: choose an "
                                   "empty or new folder");
        }
        target_ = WithSlash(target);
        return;
    }
    const std::string folder = WithSlash(SaversFolder());
    CheckSettingsCanHold(folder, "The folder");
    std::string name = SafeFolderName(package_.SaverName());
    // Only an earlier install of this very saver is replaced: another saver whose name gives the same
    // folder name, a link, or a folder of the user's each keep theirs, and this one gets a numbered name.
    auto isEarlierInstall = [&](const std::string& path) {
        try {
            return HoldsInstalledSaver(path) && ReadManifest(path).saverName == package_.SaverName();
        } catch (const std::exception&) {
            return false;
        }
    };
    while (Exists(folder + name) && !isEarlierInstall(folder + name))
        name = base::NextNumberedName(name);
    replaces_ = Exists(folder + name);
    target_ = folder + name + "/";
}

std::vector<std::string> Installation::Notes() const
{
    std::vector<std::string> notes;
    for (const builder::PackageProblem& p : package_.Problems()) {
        if (!p.fatal)
            notes.push_back(p.text);
    }
    return notes;
}

std::string Installation::Summary() const
{
    auto count = [](int n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    std::string text = "The screen saver \"" + SaverName() + "\": its program, " +
                       count(pictures_, "picture", "pictures") + " and " + count(sounds_, "sound", "sounds") + " (" +
                       Megabytes(totalBytes_) + ").\n";
    text += "It will be installed for you in " + target_;
    text += replaces_ ? ", replacing the one installed there before." : ".";
    return text;
}

std::string Installation::UninstallerPath() const
{
    return target_ + builder::kUninstallEntry;
}

void Installation::ExtractTo(const InstallItem& item, const std::string& path, std::uint64_t& done,
                             const Progress& progress)
{
    platform::NewFile out(path, item.mode);
    ContentHash hash;
    std::uint64_t size = 0;
    package_.Archive()->Extract(*item.file->entry, [&](const std::uint8_t* data, std::size_t n) {
        StopWhenAsked();
        out.Write(data, n);
        hash.Add(data, n);
        size += n;
        done += n;
        if (progress)
            progress(done, totalBytes_);
    });
    out.Close();
    manifest_.files.push_back({item.installedAs, size, hash.Finish()});
}

// Into the private folder, which only this user can enter and which was made empty just now.
void Installation::Stage(const std::string& staging, const Progress& progress)
{
    manifest_.files.clear();
    for (const std::string& folder : manifest_.folders)
        platform::MakeFolder(staging + folder, kFolderMode);
    std::uint64_t done = 0;
    std::string packagedSettings;
    for (const InstallItem& item : items_) {
        if (&item == settingsItem_) {
            package_.Archive()->Extract(*item.file->entry, [&](const std::uint8_t* data, std::size_t n) {
                packagedSettings.append(reinterpret_cast<const char*>(data), n);
                done += n;
            });
            continue;
        }
        ExtractTo(item, staging + item.installedAs, done, progress);
    }
    const std::string installedSettings = InstalledSettings(packagedSettings, package_, target_);
    platform::NewFile settings(staging + kInstalledSettingsFile, kDataMode);
    settings.Write(installedSettings.data(), installedSettings.size());
    settings.Close();
    manifest_.files.push_back({kInstalledSettingsFile, installedSettings.size(), HashOf(installedSettings)});
}

// The staged folder takes the target's place in one step: a new name, an empty folder the user
// chose, or an earlier install, whose user's files have joined the new one first. The earlier
// install is cleared only once the new one is in place.
void Installation::PutInPlace(const platform::FolderHandle& parent, const std::string& name,
                              const std::string& stagingName, const platform::FolderHandle& staging,
                              const std::function<void()>& inPlace)
{
    const platform::EntryStatus there = parent.Status(name);
    std::optional<Manifest> earlier;
    std::vector<CarriedFile> carried;
    std::optional<platform::FolderHandle> locked;  // the folder replaced, until it is cleared
    if (there.type == platform::EntryStatus::Type::Folder) {
        const platform::FolderHandle& old = locked.emplace(parent.OpenFolder(name));
        // Another install that replaces this folder holds its lock until it is done.
        if (!old.TryLock())
            throw InstallError("Another install into \"" + Printable(old.Path()) +
                               "\" is running: let it finish, then try again. Nothing was changed.");
        if (replaces_) {
            earlier = ReadManifest(old);
            carried = CarryUsersFiles(old, *earlier, staging);
            manifest_.createdParents = earlier->createdParents;
            // The same program in the same place: the host still runs it, so its record goes on.
            if (earlier->host.kind != hosts::HostKind::None && earlier->program == manifest_.program) {
                manifest_.host = earlier->host;
                keptActivation_ = true;
            }
        } else if (!old.Names().empty()) {
            throw InstallError("The folder \"" + Printable(old.Path()) +
                               "\" is no longer empty: nothing was installed");
        }
    } else if (there.type != platform::EntryStatus::Type::Missing) {
        throw InstallError("\"" + Printable(parent.PathOf(name)) +
                           "\" is not a folder of its own: nothing was installed");
    }
    staging.WriteFileAtomically(kManifestFile, FormatManifest(manifest_), kDataMode);
    staging.SetMode(kFolderMode);
    StopWhenAsked();
    if (there.type == platform::EntryStatus::Type::Missing) {
        parent.Move(stagingName, parent, name);
        inPlace();
        return;
    }
    std::string replaced = stagingName;
    if (!parent.Exchange(stagingName, parent, name)) {
        // A file system that cannot swap: the earlier folder steps aside under a private name, and
        // comes back when the new one cannot take its place.
        replaced = stagingName + "-earlier";
        parent.Move(name, parent, replaced);
        try {
            parent.Move(stagingName, parent, name);
        } catch (const platform::FileError&) {
            parent.Move(replaced, parent, name);
            throw;
        }
    }
    inPlace();
    // From here on the new install is in place; what follows only tidies up.
    for (const CarriedFile& c : carried) {
        if (c.from != c.to)
            outcome_.push_back("Your \"" + Printable(c.from) + "\" is kept as \"" + Printable(c.to) +
                               "\": the new version has a file of that name.");
    }
    if (earlier && earlier->host.kind != hosts::HostKind::None && !keptActivation_) {
        try {
            const std::string undone = hosts::UndoHostChange(earlier->host);
            if (!undone.empty())
                outcome_.push_back(undone);
        } catch (const std::exception& e) {
            outcome_.push_back(e.what());
        }
    }
    std::string kept;
    if (!RemoveReplacedInstall(parent, replaced, earlier ? *earlier : Manifest{}, carried, name + "-left-over", kept))
        outcome_.push_back("What remained of the earlier install stays in \"" + Printable(kept) + "\".");
}

void Installation::Run(const Progress& progress)
{
    if (installed_)
        return;
    std::string target = target_;
    target.pop_back();
    const fs::path parentPath = fs::path(target).parent_path();
    const std::string name = fs::path(target).filename().string();
    // The folders above the saver's, made as needed and remembered for the uninstaller.
    std::vector<fs::path> missing;
    for (fs::path p = parentPath; !p.empty() && !Exists(p.string()) && p != p.parent_path(); p = p.parent_path())
        missing.push_back(p);
    auto removeMadeParents = [&] {
        std::error_code ec;
        for (const fs::path& p : missing) {
            if (IsDirectory(p.string()) && fs::is_empty(p, ec))
                fs::remove(p, ec);
        }
    };
    try {
        manifest_.createdParents = int(missing.size());
        for (auto it = missing.rbegin(); it != missing.rend(); ++it)
            platform::MakeFolder(it->string(), kFolderMode);

        const auto free = platform::FreeSpace(parentPath.string());
        if (free && *free < totalBytes_ + kSpareBytes)
            throw InstallError("Not enough room in \"" + Printable(parentPath.string()) +
                               "\": the screen saver needs " + Megabytes(totalBytes_) + ", " + Megabytes(*free) +
                               " are free.");

        const platform::FolderHandle parent = platform::FolderHandle::OpenAsFound(parentPath.string());
        RemoveStaleStagingFolders(parent);
        const std::string stagingName =
            fs::path(platform::MakePrivateFolder(parentPath.string(), kStagingPrefix)).filename().string();
        StagingGuard guard(parent, stagingName);
        const platform::FolderHandle staging = parent.OpenFolder(stagingName);
        staging.TryLock();  // held until the end, so that no other run takes the folder for stale
        Stage(WithSlash(staging.Path()), progress);
        // Once in place, the private name holds the earlier install, if anything: never the guard's.
        PutInPlace(parent, name, stagingName, staging, [&] { guard.Release(); });
        installed_ = true;
    } catch (const InstallError&) {
        removeMadeParents();
        throw;
    } catch (const std::exception& e) {
        removeMadeParents();
        throw InstallError(std::string("The screen saver could not be installed: ") + e.what());
    }
}

hosts::InstallResult Installation::Activate()
{
    return Activate(hosts::ChooseHost(hosts::DetectHosts(ProgramPath())));
}

hosts::InstallResult Installation::Activate(const hosts::HostStatus& host)
{
    if (!installed_)
        throw InstallError("The screen saver is not installed yet");
    try {
        return RecordActivation(hosts::InstallSaverInto(host, ProgramPath(), SaverName()));
    } catch (const InstallError&) {
        throw;
    } catch (const std::exception& e) {
        throw InstallError(e.what());
    }
}

hosts::InstallResult Installation::RecordActivation(hosts::InstallResult r)
{
    if (!r.ok)
        return r;
    hosts::HostChange change = r.change;
    const hosts::HostChange& before = manifest_.host;
    // Made active again while it already was: what the user had before the first time is what an
    // uninstall gives back, so that record stays.
    if (before.kind == change.kind && before.file == change.file && before.command == change.command) {
        change.previousMode = before.previousMode;
        change.previousSelected = before.previousSelected;
        change.createdFile = before.createdFile;
        if (change.createdBackup.empty())
            change.createdBackup = before.createdBackup;
        if (change.createdLink.empty())
            change.createdLink = before.createdLink;
        if (change.createdFolder.empty())
            change.createdFolder = before.createdFolder;
    }
    manifest_.host = change;
    std::string folder = target_;
    folder.pop_back();
    const std::string parent = fs::path(folder).parent_path().string();
    platform::FolderHandle::OpenAsFound(parent)
        .OpenFolder(fs::path(folder).filename().string())
        .WriteFileAtomically(kManifestFile, FormatManifest(manifest_), kDataMode);
    return r;
}

}  // namespace qel::installer
