#pragma once
// Installing the saver of a package for the current user. The plan is made first (what goes where;
// nothing is written), and it is also what "--check" runs: the saver program, its decoder library,
// the uninstaller and the settings go into a folder of the user's data folder named after the saver,
// the pictures and sounds into its "Pictures" and "Sounds" folders. Run then unpacks everything into
// a private, locked folder beside the target, checking every entry, writes the settings with their
// paths pointing at the installed copies and the manifest for the uninstaller (with every file's size
// and content hash), and only when all of that has worked puts the whole folder in place in one
// step. An earlier install of the same saver keeps the files the user added to it and its place as
// the active screen saver, and is removed only once the new one is in place. A failure, or a stop
// signal, leaves everything as it was.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "builder/packagereader.h"
#include "hosts/saverhost.h"
#include "installer/manifest.h"
#include "platform/folderhandle.h"

namespace qel::installer {

struct InstallError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The folder that holds the installed savers: $XDG_DATA_HOME/qelsaver/savers (XDG_DATA_HOME defaults
// to ~/.local/share). Throws InstallError when there is no home folder and no absolute
// XDG_DATA_HOME is set.
[[nodiscard]] std::string SaversFolder();

// Refuses (InstallError, naming it) a path the saver's settings cannot hold: paths are stored as
// keys there, so a "=" or a control character would cut or break them.
void CheckSettingsCanHold(const std::string& path, const std::string& what);

// A folder or program name made from the saver's name: a plain file name without blanks (hosts split
// their commands at blanks), not hidden, at most kMaxFolderName bytes; "Saver" when nothing is left.
[[nodiscard]] std::string SafeFolderName(const std::string& saverName);
inline constexpr std::size_t kMaxFolderName = 64;

// The settings as the installed saver reads them: every picture and sound path replaced by its
// installed copy under `target` (ending in "/"), those the package lacks left out.
[[nodiscard]] std::string InstalledSettings(const std::string& packagedSettings, const builder::PackageReader& package,
                                            const std::string& target);

struct InstallItem {
    const builder::PackageFile* file = nullptr;
    std::string installedAs;  // relative to the saver's folder; empty for the settings (rewritten)
    mode_t mode = 0644;
};

class Installation {
public:
    // target: the saver's folder; empty for the default one (a numbered name when a folder of that
    // name exists that is not an earlier install of the same saver). Throws InstallError when the
    // package cannot be installed, or the target is a folder with other files in it.
    Installation(const builder::PackageReader& package, std::string target = {});

    [[nodiscard]] const std::string& SaverName() const { return package_.SaverName(); }
    [[nodiscard]] const std::string& Target() const { return target_; }  // ends in "/"
    [[nodiscard]] bool ReplacesEarlier() const { return replaces_; }
    // After Run: the earlier install was the active screen saver, and the new one is now.
    [[nodiscard]] bool KeptActivation() const { return keptActivation_; }
    // After Run: what happened beyond the install itself (files of the user's kept, ...), one line each.
    [[nodiscard]] const std::vector<std::string>& Outcome() const { return outcome_; }
    [[nodiscard]] const std::vector<InstallItem>& Items() const { return items_; }
    [[nodiscard]] std::uint64_t TotalBytes() const { return totalBytes_; }
    [[nodiscard]] int Pictures() const { return pictures_; }
    [[nodiscard]] int Sounds() const { return sounds_; }
    // What the package lacks or holds in excess (it is left out), one line each.
    [[nodiscard]] std::vector<std::string> Notes() const;
    // A few lines for the user: what will be installed, and where.
    [[nodiscard]] std::string Summary() const;

    using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;
    // Installs. Throws InstallError (nothing is left behind then).
    void Run(const Progress& progress = {});

    // The installed saver program.
    [[nodiscard]] std::string ProgramPath() const { return target_ + manifest_.program; }
    [[nodiscard]] std::string UninstallerPath() const;
    // Makes the installed saver the active screen saver of the session's host and records the change
    // for the uninstaller. Throws InstallError when a file of the host cannot be written.
    hosts::InstallResult Activate();
    hosts::InstallResult Activate(const hosts::HostStatus& host);

private:
    void ChooseTarget(std::string target);
    void PlanItems();
    void Stage(const std::string& staging, const Progress& progress);
    void ExtractTo(const InstallItem& item, const std::string& path, std::uint64_t& done, const Progress& progress);
    void PutInPlace(const platform::FolderHandle& parent, const std::string& name, const std::string& stagingName,
                    const platform::FolderHandle& staging, const std::function<void()>& inPlace);
    hosts::InstallResult RecordActivation(hosts::InstallResult r);

    const builder::PackageReader& package_;
    std::string target_;
    bool replaces_ = false;
    std::vector<InstallItem> items_;
    const InstallItem* settingsItem_ = nullptr;
    std::uint64_t totalBytes_ = 0;
    int pictures_ = 0;
    int sounds_ = 0;
    Manifest manifest_;
    bool installed_ = false;
    bool keptActivation_ = false;
    std::vector<std::string> outcome_;
};

}  // namespace qel::installer
