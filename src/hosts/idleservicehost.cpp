#include "hosts/idleservicehost.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "base/desktopentry.h"
#include "platform/fileerror.h"
#include "platform/folderhandle.h"
#include "platform/idlesource.h"
#include "platform/process.h"
#include "platform/userfolders.h"

namespace qel::hosts {
namespace {

namespace fs = std::filesystem;

constexpr const char* kServiceArgument = "--idle-service";
// Marks the entries we write, so that one of ours (from an earlier install, maybe of another copy)
// can be told from the user's own.
constexpr const char* kOurKey = "X-QelSaver-IdleService";
constexpr std::uint64_t kLargestEntry = 64 * 1024;
constexpr mode_t kEntryMode = 0644;
// How long a service asked to end may take to let go of the session's one service.
constexpr int kServiceEndMs = 3000;

// The program an entry of ours starts; nothing when the entry is not ours.
std::optional<std::string> OurEntryProgram(const std::string& content)
{
    auto keys = base::ReadDesktopEntry(content);
    if (keys[kOurKey] != "true")
        return std::nullopt;
    return base::ExecProgram(keys["Exec"]);
}

// An earlier program worth starting again: still a file, and a path an entry can hold.
bool CanStartAgain(const std::string& program)
{
    if (program.empty() || program.front() != '/')
        return false;
    for (char c : program) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '"' || c == '\\')
            return false;
    }
    std::error_code ec;
    return fs::is_regular_file(program, ec);
}

// Makes the folder of `file` as needed; the highest folder made, or empty when all were there.
std::string MakeAutostartFolder(const std::string& file)
{
    const fs::path folder = fs::path(file).parent_path();
    std::error_code ec;
    fs::path highest;
    for (fs::path p = folder; !p.empty() && p != p.parent_path() && !fs::exists(fs::symlink_status(p, ec));
         p = p.parent_path())
        highest = p;
    fs::create_directories(folder, ec);
    return highest.string();
}

// Removes the folders MakeAutostartFolder made for `file`, each only while it is an empty folder of its
// own (not a link). A record naming any other folder changes nothing.
void RemoveMadeFolders(const std::string& file, const std::string& highest)
{
    const fs::path autostart = fs::path(file).parent_path();
    if (highest.empty() || (fs::path(highest) != autostart && fs::path(highest) != autostart.parent_path()))
        return;
    std::error_code ec;
    for (fs::path p = autostart;; p = p.parent_path()) {
        if (!fs::is_directory(fs::symlink_status(p, ec)) || !fs::is_empty(p, ec) || ec)
            return;
        fs::remove(p, ec);
        if (p == fs::path(highest))
            return;
    }
}

platform::FolderHandle OpenAutostartFolder(const std::string& file)
{
    return platform::FolderHandle::OpenAsFound(fs::path(file).parent_path().string());
}

}  // namespace

std::string IdleServiceAutostartFile()
{
    const std::string config = platform::UserConfigFolder();
    return config.empty() ? std::string() : config + "/autostart/qelsaver-idle.desktop";
}

std::string IdleServiceAutostartEntry(const std::string& program)
{
    return base::WriteDesktopEntry({{"Type", "Application"},
                                    {"Name", kIdleServiceName},
                                    {"Comment", "Shows the QelSaver slideshow when the desktop has been idle"},
                                    {"Exec", base::QuoteExecArgument(program) + " " + kServiceArgument},
                                    {"TryExec", program},
                                    {"Terminal", "false"},
                                    {"NoDisplay", "true"},
                                    {"X-GNOME-Autostart-enabled", "true"},
                                    {kOurKey, "true"}});
}

HostStatus IdleServiceStatus()
{
    HostStatus s;
    s.kind = HostKind::IdleService;
    s.name = kIdleServiceName;
    const platform::IdleSourceChoice choice = platform::ChooseIdleSources(platform::IdleSessionFromEnvironment());
    s.installed = !choice.candidates.empty();
    s.detail = s.installed ? std::string("uses ") + platform::IdleSourceName(choice.candidates.front())
                           : "cannot run here: " + choice.problem;
    return s;
}

InstallResult InstallIdleService(const HostStatus& host, const std::string& program, const std::string& title)
{
    const std::string file = IdleServiceAutostartFile();
    if (file.empty())
        throw std::runtime_error("There is no home folder to keep the autostart entry of the idle service in: "
                                 "nothing was changed. Set HOME and try again.");
    const std::string name = fs::path(file).filename().string();
    HostChange change;
    change.kind = HostKind::IdleService;
    change.file = file;
    change.command = program;
    change.createdFolder = MakeAutostartFolder(file);
    try {
        const platform::FolderHandle folder = OpenAutostartFolder(file);
        const platform::EntryStatus there = folder.Status(name);
        std::optional<std::string> earlier;
        if (there.type == platform::EntryStatus::Type::File) {
            earlier = folder.ReadWholeFile(name, kLargestEntry);
            const auto earlierProgram = OurEntryProgram(*earlier);
            if (!earlierProgram)
                throw std::runtime_error("\"" + file +
                                         "\" is an autostart entry of your own, so it is left as it is: nothing was "
                                         "changed. Move it away to let QelSaver start with the session.");
            if (*earlierProgram != program)
                change.previousSelected = *earlierProgram;
        } else if (there.type != platform::EntryStatus::Type::Missing) {
            throw std::runtime_error("\"" + file +
                                     "\" is in the way of the idle service's autostart entry, and it is not "
                                     "that entry, so it is left as it is: move it away and try again");
        }
        change.createdFile = !earlier;
        folder.WriteFileAtomically(name, IdleServiceAutostartEntry(program), kEntryMode);
        // The session has one service: that of the copy we replace gives way to this one.
        if (change.previousSelected)
            platform::EndProcessesRunning(*change.previousSelected, kServiceArgument, kServiceEndMs);
        // Started now, not at the next log-in; a second service ends at once, so one already
        // running keeps going.
        const std::string problem = platform::StartDetached(program, {kServiceArgument});
        if (!problem.empty()) {
            // An entry that starts nothing would only look like success.
            if (earlier)
                folder.WriteFileAtomically(name, *earlier, kEntryMode);
            else
                folder.RemoveFile(name);
            if (change.previousSelected)
                (void)platform::StartDetached(*change.previousSelected, {kServiceArgument});
            RemoveMadeFolders(file, change.createdFolder);
            throw std::runtime_error("The idle service \"" + program + "\" cannot be started (" + problem +
                                     "): nothing was changed");
        }
    } catch (const platform::FileError& e) {
        RemoveMadeFolders(file, change.createdFolder);
        throw std::runtime_error(std::string("Cannot write the autostart entry of the idle service: ") + e.what());
    } catch (const std::exception&) {
        RemoveMadeFolders(file, change.createdFolder);
        throw;
    }
    InstallResult r;
    r.ok = true;
    r.kind = host.kind;
    r.change = change;
    r.message = "\"" + title +
                "\" now starts when this desktop has been idle for the time set on the Options page (the " +
                kIdleServiceName + " " + host.detail + ").";
    return r;
}

std::string UndoIdleService(const HostChange& change)
{
    const std::string file = IdleServiceAutostartFile();
    if (file.empty() || change.file != file)
        return {};
    const std::string name = fs::path(file).filename().string();
    const std::string gone = "The QelSaver idle service no longer starts with the session.";
    // The service of the program taken back ends now, whatever became of its entry.
    if (!change.command.empty())
        platform::EndProcessesRunning(change.command, kServiceArgument, kServiceEndMs);
    try {
        const platform::FolderHandle folder = OpenAutostartFolder(file);
        if (folder.Status(name).type != platform::EntryStatus::Type::File)
            return gone;  // nothing of ours there (a link is never ours)
        if (folder.ReadWholeFile(name, kLargestEntry) != IdleServiceAutostartEntry(change.command))
            return "\"" + file + "\" was changed since QelSaver wrote it, so it is left as it is.";
        // The same entry was there before the install: it stays.
        if (!change.createdFile && !change.previousSelected)
            return "\"" + file + "\" was there before, so it stays.";
        if (change.previousSelected && CanStartAgain(*change.previousSelected)) {
            folder.WriteFileAtomically(name, IdleServiceAutostartEntry(*change.previousSelected), kEntryMode);
            (void)platform::StartDetached(*change.previousSelected, {kServiceArgument});  // else at the next log-in
            return "The QelSaver idle service starts \"" + *change.previousSelected + "\" again, as before.";
        }
        folder.RemoveFile(name);
        RemoveMadeFolders(file, change.createdFolder);
    } catch (const platform::FileError& e) {
        if (e.kind() == platform::FileError::Kind::Missing)
            return gone;
        throw std::runtime_error(std::string("Cannot take back the autostart entry of the idle service: ") + e.what());
    }
    return gone;
}

}  // namespace qel::hosts
