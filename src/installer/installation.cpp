#include "installer/installation.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "base/paths.h"
#include "base/text.h"
#include "builder/entrynames.h"
#include "builder/packageformat.h"
#include "installer/uninstallation.h"
#include "platform/files.h"
#include "platform/safefiles.h"
#include "platform/userfolders.h"
#include "settings/inifile.h"
#include "settings/saversettings.h"

namespace qel::installer {
namespace fs = std::filesystem;
namespace {

using builder::FileKind;
using builder::PackageFile;

constexpr mode_t kProgramMode = 0755;
constexpr mode_t kDataMode = 0644;
constexpr mode_t kFolderMode = 0755;
constexpr const char* kStagingPrefix = ".qelsaver-install-";
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
    explicit StagingGuard(std::string path) : path_(std::move(path)) {}
    ~StagingGuard()
    {
        if (!path_.empty())
            base::DeleteQuietly(path_);
    }
    StagingGuard(const StagingGuard&) = delete;
    StagingGuard& operator=(const StagingGuard&) = delete;
    void Release() { path_.clear(); }

private:
    std::string path_;
};

}  // namespace

std::string SaversFolder()
{
    const std::string data = platform::UserDataFolder();
    return data.empty() ? std::string() : WithSlash(data) + "qelsaver/savers";
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
        if (Exists(target)) {
            if (!IsDirectory(target))
                throw InstallError("\"" + target + "\" exists and is not a folder");
            replaces_ = HoldsInstalledSaver(target);
            if (!replaces_ && !fs::is_empty(target, ec))
                throw InstallError("The folder \"" + target + "\" is not empty: choose an empty or new folder");
        }
        target_ = WithSlash(target);
        return;
    }
    const std::string folder = WithSlash(SaversFolder());
    if (folder.empty())
        throw InstallError("There is no home folder to install the saver into: name a target folder");
    std::string name = SafeFolderName(package_.SaverName());
    // Another saver of the same name stays; an earlier install of one is replaced.
    while (Exists(folder + name) && !HoldsInstalledSaver(folder + name))
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
    package_.Archive()->Extract(*item.file->entry, [&](const std::uint8_t* data, std::size_t n) {
        out.Write(data, n);
        done += n;
        if (progress)
            progress(done, totalBytes_);
    });
    out.Close();
}

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
        manifest_.files.push_back(item.installedAs);
    }
    const std::string installedSettings = InstalledSettings(packagedSettings, package_, target_);
    platform::NewFile settings(staging + kInstalledSettingsFile, kDataMode);
    settings.Write(installedSettings.data(), installedSettings.size());
    settings.Close();
    manifest_.files.push_back(kInstalledSettingsFile);
    const std::string manifest = FormatManifest(manifest_);
    platform::NewFile manifestFile(staging + kManifestFile, kDataMode);
    manifestFile.Write(manifest.data(), manifest.size());
    manifestFile.Close();
}

// Into a folder that exists (an earlier install's, or an empty one the user chose): file by file,
// each only where nothing stands; on a failure the files moved so far go again.
void Installation::PutInPlace(const std::string& staging)
{
    std::vector<std::string> moved;
    std::vector<std::string> madeFolders;
    try {
        for (const std::string& folder : manifest_.folders) {
            if (platform::MakeFolder(target_ + folder, kFolderMode))
                madeFolders.push_back(target_ + folder);
        }
        std::vector<std::string> files = manifest_.files;
        files.push_back(kManifestFile);  // last: the folder is an installed saver only once all is there
        for (const std::string& f : files) {
            platform::MoveWithoutReplacing(staging + f, target_ + f);
            moved.push_back(target_ + f);
        }
    } catch (const platform::FileError&) {
        std::error_code ec;
        for (const std::string& f : moved)
            fs::remove(f, ec);
        for (const std::string& f : madeFolders)
            fs::remove(f, ec);
        throw;
    }
}

void Installation::Run(const Progress& progress)
{
    if (installed_)
        return;
    std::string target = target_;
    target.pop_back();
    const fs::path parent = fs::path(target).parent_path();
    // The folders above the saver's, made as needed and remembered for the uninstaller.
    std::vector<fs::path> missing;
    for (fs::path p = parent; !p.empty() && !Exists(p.string()) && p != p.parent_path(); p = p.parent_path())
        missing.push_back(p);
    auto removeMadeParents = [&] {
        std::error_code ec;
        for (const fs::path& p : missing) {
            if (fs::is_empty(p, ec))
                fs::remove(p, ec);
        }
    };
    try {
        if (replaces_)
            manifest_.createdParents = ReadManifest(target).createdParents;
        else
            manifest_.createdParents = int(missing.size());
        for (auto it = missing.rbegin(); it != missing.rend(); ++it)
            platform::MakeFolder(it->string(), kFolderMode);

        const auto free = platform::FreeSpace(parent.string());
        if (free && *free < totalBytes_ + kSpareBytes)
            throw InstallError("Not enough room in \"" + parent.string() + "\": the screen saver needs " +
                               Megabytes(totalBytes_) + ", " + Megabytes(*free) + " are free.");

        const std::string staging = WithSlash(platform::MakePrivateFolder(parent.string(), kStagingPrefix));
        StagingGuard guard(staging);
        Stage(staging, progress);
        if (replaces_) {
            Uninstall(target, true);
            PutInPlace(staging);
        } else {
            if (IsDirectory(target))
                fs::remove(target);  // the empty folder the user chose
            platform::MoveWithoutReplacing(staging, target);
            guard.Release();
        }
        std::error_code ec;
        fs::permissions(target, static_cast<fs::perms>(kFolderMode), fs::perm_options::replace, ec);
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
    if (!installed_)
        throw InstallError("The screen saver is not installed yet");
    hosts::InstallResult r;
    try {
        r = hosts::InstallSaver(ProgramPath(), SaverName());
        if (r.ok) {
            manifest_.host = r.change;
            platform::WriteFileAtomically(target_ + kManifestFile, FormatManifest(manifest_));
        }
    } catch (const std::exception& e) {
        throw InstallError(e.what());
    }
    return r;
}

}  // namespace qel::installer
