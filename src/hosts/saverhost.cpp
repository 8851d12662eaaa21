#include "hosts/saverhost.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "base/text.h"
#include "hosts/idleservicehost.h"
#include "hosts/matesaverfolders.h"
#include "hosts/screensaverentry.h"
#include "hosts/xscreensaverfile.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/folderhandle.h"
#include "platform/process.h"
#include "platform/regularfile.h"
#include "platform/safefiles.h"
#include "platform/userfolders.h"

namespace qel::hosts {
namespace {

namespace fs = std::filesystem;

constexpr const char* kXScreenSaverName = "XScreenSaver";
constexpr const char* kMateName = "MATE screen saver";
constexpr const char* kMateSchema = "org.mate.screensaver";
constexpr std::uintmax_t kLargestPreferencesFile = 4 << 20;
constexpr mode_t kBackupMode = 0600;

// The user's home folder; without one no file of a host is touched (never "/.xscreensaver").
std::string Home()
{
    const std::string home = platform::HomeFolder();
    if (home.empty())
        throw std::runtime_error("HOME is not set to a folder, so the screen saver's settings in your home folder "
                                 "cannot be found: nothing was changed there. Set HOME and try again.");
    return home;
}

std::string DataHome()
{
    std::string folder = platform::UserDataFolder();
    if (folder.empty())
        throw std::runtime_error("There is no home folder to keep the screen saver's files in");
    return folder;
}

// The session's desktop, as the session names it ("GNOME", "KDE", "MATE" ...), or empty.
std::string Desktop()
{
    std::string d = platform::Environment("XDG_CURRENT_DESKTOP");
    if (d.empty())
        d = platform::Environment("DESKTOP_SESSION");
    return d;
}

bool DesktopIs(const std::string& name)
{
    const std::string d = base::AsciiLower(Desktop());
    return d.find(base::AsciiLower(name)) != std::string::npos;
}

bool WaylandSession()
{
    return base::AsciiLower(platform::Environment("XDG_SESSION_TYPE")) == "wayland" ||
           !platform::Environment("WAYLAND_DISPLAY").empty();
}

bool MateSchemaInstalled()
{
    if (auto r = platform::RunCommand({"gsettings", "list-schemas"}); r && r->exitCode == 0) {
        std::istringstream in(r->output);
        for (std::string line; std::getline(in, line);) {
            if (line == kMateSchema)
                return true;
        }
    }
    return false;
}

// A stable short name for a program path, so two savers in different folders get their own links
// and desktop entries.
std::string PathTag(const std::string& path)
{
    std::uint32_t h = 2166136261u;  // FNV-1a
    for (unsigned char c : path) {
        h ^= c;
        h *= 16777619u;
    }
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08x", h);
    return buffer;
}

// The preferences file as it is now: empty when there is none. A link the user keeps there (dotfiles
// kept in a repository) is read through; a link to nothing is refused, so that nothing is ever made
// at the place it names.
std::string ReadPreferencesFile(const std::string& path)
{
    std::error_code ec;
    const auto own = fs::symlink_status(path, ec);
    if (!fs::exists(own))
        return {};
    if (fs::is_symlink(own) && !fs::exists(fs::status(path, ec)))
        throw std::runtime_error("\"" + path +
                                 "\" is a link to a file that does not exist: nothing was changed. "
                                 "Create the file it points to, or remove the link, and try again.");
    try {
        const std::vector<std::uint8_t> bytes = platform::ReadRegularFile(path, kLargestPreferencesFile);
        return std::string(bytes.begin(), bytes.end());
    } catch (const platform::FileError& e) {
        using Kind = platform::FileError::Kind;
        if (e.kind() == Kind::Missing)
            return {};
        if (e.kind() == Kind::TooLarge)
            throw std::runtime_error("\"" + path +
                                     "\" is larger than 4 MB, far more than a preferences file holds: "
                                     "nothing was changed. Look at it, shorten it or move it away; then try again.");
        if (e.kind() == Kind::Folder || e.kind() == Kind::NotRegular)
            throw std::runtime_error("\"" + path + "\" is not a file: nothing was changed");
        throw std::runtime_error("Cannot read \"" + path + "\": " + e.what());
    }
}

// A file the user made read-only is the user's decision: it is not replaced.
void RefuseReadOnly(const std::string& path, const std::string& whatToDo)
{
    std::error_code ec;
    const auto st = fs::status(path, ec);
    if (fs::is_regular_file(st) && (st.permissions() & fs::perms::owner_write) == fs::perms::none)
        throw std::runtime_error("\"" + path + "\" is read-only, so it is left as it is: nothing was changed. " +
                                 whatToDo);
}

// The host reads the command from a line of its own file: a line break, a quote or a backslash
// there would end or change the entry.
void RefuseUnwritableProgramPath(const std::string& program)
{
    for (char c : program) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '"' || c == '\\')
            throw std::runtime_error("The program's path \"" + program +
                                     "\" has a line break, a control character, a quote or a backslash, which the "
                                     "screen saver's settings cannot hold: install it into a folder without them");
    }
}

// The one-time copy of the user's file: made only where nothing stands, a link included.
bool MakeBackup(const std::string& backup, const std::string& content)
{
    try {
        platform::NewFile out(backup, kBackupMode);
        out.Write(content.data(), content.size());
        out.Close();
        return true;
    } catch (const platform::FileError&) {
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(backup, ec)))
            throw;
        return false;  // one is there already: the oldest copy is the one worth keeping
    }
}

fs::path LinksFolder()
{
    return fs::path(DataHome()) / "qelsaver" / "links";
}

// The name of the link for `program` in the links folder: its file name without blanks, and a tag
// of its whole path, so that the name alone says where the link must point.
std::string LinkName(const std::string& program)
{
    std::string name = fs::path(program).filename().string();
    for (char& c : name) {
        if (c == ' ' || c == '\t')
            c = '_';
    }
    return name + "-" + PathTag(program);
}

// The host splits its command at blanks: a program path with blanks is given through a link
// without them in the user's data folder. The folder is worked in without following a link, and
// whatever else has the link's name (a file, a link of the user's) stays as it is.
std::string PathWithoutBlanks(const std::string& program)
{
    if (program.find_first_of(" \t") == std::string::npos)
        return program;
    const fs::path folder = LinksFolder();
    const std::string name = LinkName(program);
    if ((folder / name).string().find_first_of(" \t") != std::string::npos)
        throw std::runtime_error("The program \"" + program +
                                 "\" lies in a folder whose name has blanks, and so does the data folder \"" +
                                 folder.string() + "\": move the program to a folder without blanks");
    std::error_code ec;
    fs::create_directories(folder, ec);
    try {
        const platform::FolderHandle links = platform::FolderHandle::Open(folder.string());
        const platform::EntryStatus there = links.Status(name);
        if (there.type == platform::EntryStatus::Type::Link && links.ReadLink(name) == program)
            return links.PathOf(name);  // ours, from an earlier install of the same path
        if (there.type != platform::EntryStatus::Type::Missing)
            throw std::runtime_error("\"" + links.PathOf(name) +
                                     "\" is in the way of the link the screen saver needs, and it is not that link, "
                                     "so it is left as it is: move it away and try again");
        links.MakeLink(program, name);
        return links.PathOf(name);
    } catch (const platform::FileError& e) {
        throw std::runtime_error("Cannot make the link for the program \"" + program + "\": " + e.what());
    }
}

InstallResult InstallIntoXScreenSaver(const HostStatus& host, const std::string& program, const std::string& title)
{
    const std::string file = Home() + "/.xscreensaver";
    std::error_code ec;
    HostChange change;
    change.kind = HostKind::XScreenSaver;
    change.file = file;
    change.createdFile = !fs::exists(fs::symlink_status(file, ec));
    const std::string old = ReadPreferencesFile(file);
    RefuseReadOnly(file, "Make it writable to let the installer add the screen saver, or add it yourself.");
    change.previousMode = ReadResource(old, "mode:");
    change.previousSelected = ReadResource(old, "selected:");
    const std::string path = PathWithoutBlanks(program);
    if (path != program)
        change.createdLink = path;
    change.command = path + " --root";
    const SaverInstall updated = InstallSaverProgram(old, title, change.command);
    // The user's own file is kept once, as it was before we first changed it.
    const std::string backup = file + ".before-qelsaver";
    if (!old.empty() && MakeBackup(backup, old))
        change.createdBackup = backup;
    // A link keeps pointing where it did; the file it names gets the new content in one step.
    try {
        platform::WriteFileAtomically(file, updated.content);
    } catch (const std::exception&) {
        if (!change.createdBackup.empty())
            fs::remove(change.createdBackup, ec);
        throw;
    }

    InstallResult r;
    r.ok = true;
    r.kind = host.kind;
    r.change = change;
    r.message = "\"" + title + "\" is now the screen saver of XScreenSaver.";
    if (!host.running)
        r.message += " XScreenSaver does not run in this session yet: start it with \"xscreensaver --no-splash\", "
                     "or add that to the programs your session starts.";
    return r;
}

std::optional<std::string> MateSetting(const char* key)
{
    const auto r = platform::RunCommand({"gsettings", "get", kMateSchema, key});
    if (!r || r->exitCode != 0)
        return std::nullopt;
    std::string value = r->output;
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
        value.pop_back();
    return value;
}

void SetMateSetting(const std::string& key, const std::optional<std::string>& value)
{
    const std::vector<std::string> command =
        value ? std::vector<std::string>{"gsettings", "set", kMateSchema, key, *value}
              : std::vector<std::string>{"gsettings", "reset", kMateSchema, key};
    const auto r = platform::RunCommand(command);
    if (!r || r->exitCode != 0)
        throw std::runtime_error("Cannot change the settings of the MATE screen saver (gsettings " + command[1] + " " +
                                 std::string(kMateSchema) + " " + key + ")");
}

std::string MateThemes(const std::string& id)
{
    return "['screensavers-" + id + "']";
}

std::string MateId(const std::string& desktopFile)
{
    return fs::path(desktopFile).stem().string();
}

InstallResult InstallIntoMate(const HostStatus& host, const std::string& program, const std::string& title)
{
    // It runs savers only from its own folders, by their name there; any other program it would
    // list and then show black.
    const std::string command = MateSaverCommandName(program, MateSaverFolders());
    if (command.empty()) {
        InstallResult refused;
        refused.kind = host.kind;
        refused.message = "The " + host.name + " runs screen savers only from its own system folders, and \"" +
                          program +
                          "\" is not there: nothing was changed. The Debian package of QelSaver puts it there.";
        return refused;
    }
    const std::string id = "qelsaver-" + PathTag(program);
    const fs::path folder = fs::path(DataHome()) / "applications" / "screensavers";
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string file = (folder / (id + ".desktop")).string();
    HostChange change;
    change.kind = HostKind::MateScreenSaver;
    change.file = file;
    change.previousMode = MateSetting("mode");
    change.previousSelected = MateSetting("themes");
    platform::WriteOwnFileAtomically(file, ScreenSaverDesktopEntry(title, command, {"--root"}));
    try {
        SetMateSetting("mode", std::string("single"));
        SetMateSetting("themes", MateThemes(id));
    } catch (...) {
        // Half an install is none: the entry goes and the mode comes back as it was.
        fs::remove(file, ec);
        try {
            SetMateSetting("mode", change.previousMode);
        } catch (const std::exception&) {
            // The settings that just refused a change may refuse this one too; the error below says so.
        }
        throw;
    }
    InstallResult r;
    r.ok = true;
    r.kind = host.kind;
    r.change = change;
    r.message = "\"" + title + "\" is now the screen saver of the " + host.name + ".";
    return r;
}

// Only files that an install of ours can have made are ever touched: a record that names anything
// else (damaged, or edited) changes nothing there.
// Our link is in the links folder and points where its name says; the link of that name is removed
// only then, as a link, never what it points to.
void RemoveOurLink(const std::string& path)
{
    const fs::path link(path);
    if (path.empty() || link.parent_path() != LinksFolder())
        return;
    try {
        const platform::FolderHandle links = platform::FolderHandle::Open(LinksFolder().string());
        const std::string name = link.filename().string();
        if (links.Status(name).type == platform::EntryStatus::Type::Link && LinkName(links.ReadLink(name)) == name)
            links.RemoveFile(name);
    } catch (const platform::FileError&) {
        // No links folder of our own: there is no link of ours to remove.
    }
}

bool IsOurDesktopEntry(const std::string& path)
{
    const fs::path p(path);
    const std::string name = p.filename().string();
    return p.parent_path() == fs::path(DataHome()) / "applications" / "screensavers" &&
           name.rfind("qelsaver-", 0) == 0 && p.extension() == ".desktop";
}

std::string UndoXScreenSaver(const HostChange& change)
{
    std::error_code ec;
    const std::string file = Home() + "/.xscreensaver";
    std::string message = "XScreenSaver no longer lists the screen saver.";
    if (change.file != file)
        return {};
    if (fs::exists(fs::symlink_status(change.file, ec))) {
        const std::string content = ReadPreferencesFile(change.file);
        const SaverRemoval removal =
            UninstallSaverProgram(content, change.command, change.previousMode, change.previousSelected);
        // A file we made goes only when nothing but our lines is left in it: lines the user added
        // since then (a timeout, a lock) stay with it. A file the user made read-only stays as it is.
        if (removal.removed)
            RefuseReadOnly(change.file, "Make it writable and run the uninstaller again, or take the entry \"" +
                                            change.command + "\" out yourself.");
        if (change.createdFile && removal.removed && HoldsOnlyOurLines(removal.content) &&
            fs::is_regular_file(fs::symlink_status(change.file, ec)))
            fs::remove(change.file, ec);
        else if (removal.removed)
            platform::WriteFileAtomically(change.file, removal.content);
    }
    if (change.createdBackup == file + ".before-qelsaver" &&
        fs::is_regular_file(fs::symlink_status(change.createdBackup, ec)))
        fs::remove(change.createdBackup, ec);
    RemoveOurLink(change.createdLink);
    return message;
}

std::string UndoMate(const HostChange& change)
{
    if (!IsOurDesktopEntry(change.file))
        return {};
    std::error_code ec;
    fs::remove(change.file, ec);
    // The settings come back only while they still show ours: a choice made since then stays.
    if (MateSetting("themes") == MateThemes(MateId(change.file))) {
        SetMateSetting("mode", change.previousMode);
        SetMateSetting("themes", change.previousSelected);
    }
    return "The MATE screen saver no longer lists the screen saver.";
}

}  // namespace

std::vector<HostStatus> ArrangeHosts(const HostStatus& xscreensaver, const HostStatus& mate,
                                     const HostStatus& idleService, bool mateSession, bool waylandSession,
                                     const HostStatus& none)
{
    std::vector<HostStatus> hosts;
    const bool mateFirst = mate.installed && mateSession;
    if (xscreensaver.installed && xscreensaver.running)
        hosts.push_back(xscreensaver);
    if (mateFirst)
        hosts.push_back(mate);
    hosts.push_back(idleService);
    if (mate.installed && !mateFirst)
        hosts.push_back(mate);
    if (xscreensaver.installed && !xscreensaver.running && !waylandSession)
        hosts.push_back(xscreensaver);
    hosts.push_back(none);
    return hosts;
}

std::vector<HostStatus> DetectHosts(const std::string& program)
{
    HostStatus xss;
    xss.kind = HostKind::XScreenSaver;
    xss.name = kXScreenSaverName;
    xss.installed = platform::FindOnPath("xscreensaver").has_value();
    if (xss.installed) {
        const auto r = platform::RunCommand({"xscreensaver-command", "-version"}, 3000);
        xss.running = r && r->exitCode == 0;
    }
    xss.detail = !xss.installed ? "not installed" : (xss.running ? "installed, running" : "installed, not running");

    HostStatus mate;
    mate.kind = HostKind::MateScreenSaver;
    mate.name = kMateName;
    mate.installed = MateSchemaInstalled() && platform::FindOnPath("mate-screensaver").has_value();
    mate.detail = mate.installed ? (DesktopIs("MATE") ? "installed, MATE session" : "installed") : "not installed";
    if (mate.installed && !program.empty() && MateSaverCommandName(program, MateSaverFolders()).empty()) {
        mate.runsProgram = false;
        mate.detail += ", cannot run this copy (not in its system folders)";
    }

    HostStatus none;
    const std::string desktop = Desktop().empty() ? std::string("This desktop") : "This desktop (" + Desktop() + ")";
    none.detail = desktop + (WaylandSession() ? ", a Wayland session," : "") +
                  " offers QelSaver nothing to watch for idle time, so QelSaver cannot become its screen saver: "
                  "it needs a graphical session (X11, or Wayland where its compositor reports idle time).";
    none.name = "none";
    return ArrangeHosts(xss, mate, IdleServiceStatus(), DesktopIs("MATE"), WaylandSession(), none);
}

HostStatus ChooseHost(const std::vector<HostStatus>& hosts)
{
    for (const HostStatus& h : hosts) {
        if (h.kind != HostKind::None && h.installed && h.runsProgram)
            return h;
    }
    return hosts.empty() ? HostStatus{} : hosts.back();
}

InstallResult InstallSaverInto(const HostStatus& host, const std::string& program, const std::string& title)
{
    if (host.kind != HostKind::None)
        RefuseUnwritableProgramPath(program);
    switch (host.kind) {
    case HostKind::XScreenSaver: return InstallIntoXScreenSaver(host, program, title);
    case HostKind::MateScreenSaver: return InstallIntoMate(host, program, title);
    case HostKind::IdleService: return InstallIdleService(host, program, title);
    case HostKind::None: break;
    }
    InstallResult r;
    r.kind = HostKind::None;
    r.message = host.detail.empty() ? "No screen-saver program runs on this desktop." : host.detail;
    return r;
}

InstallResult InstallSaver(const std::string& program, const std::string& title)
{
    return InstallSaverInto(ChooseHost(DetectHosts(program)), program, title);
}

std::string UndoHostChange(const HostChange& change)
{
    switch (change.kind) {
    case HostKind::XScreenSaver: return UndoXScreenSaver(change);
    case HostKind::MateScreenSaver: return UndoMate(change);
    case HostKind::IdleService: return UndoIdleService(change);
    case HostKind::None: break;
    }
    return {};
}

}  // namespace qel::hosts
