#pragma once
// The screen-saver host of the user's session: the program that starts a saver when the desktop is
// idle. Making this program the active screen saver means telling that host to run it.
//
// Two hosts of the desktop can run a saver program of ours: XScreenSaver (its preferences file in the
// home folder) and MATE's screen saver (a desktop entry among the user's screen savers, then two of its
// settings; only for a copy of the program in its own folders). Everywhere else (GNOME, KDE Plasma,
// Cinnamon, Wayland sessions) our own idle service is the host: an autostart entry of the user's.

#include <optional>
#include <string>
#include <vector>

namespace qel::hosts {

enum class HostKind { XScreenSaver, MateScreenSaver, IdleService, None };

struct HostStatus {
    HostKind kind = HostKind::None;
    std::string name;         // "XScreenSaver", "MATE screen saver", "QelSaver idle service"
    bool installed = false;   // its programs are on this system (the idle service: it can run here)
    bool running = false;     // it runs in this session (only known for XScreenSaver)
    bool runsProgram = true;  // it can run the program asked about (MATE: only from its own folders)
    std::string detail;       // one line: what was found
};

// What this session offers, best first: the host to use is the first installed one that can run
// `program` (empty: any program); a session without any ends in an entry of kind None that says why.
[[nodiscard]] std::vector<HostStatus> DetectHosts(const std::string& program = {});

// The first usable host of DetectHosts(), or the None entry.
[[nodiscard]] HostStatus ChooseHost(const std::vector<HostStatus>& hosts);

// The order of DetectHosts for what it found: a running XScreenSaver starts savers now; then MATE's
// in its own session; then our idle service; then MATE's elsewhere and an XScreenSaver that only
// needs starting (it cannot run under Wayland); last the None entry `none`.
[[nodiscard]] std::vector<HostStatus> ArrangeHosts(const HostStatus& xscreensaver, const HostStatus& mate,
                                                   const HostStatus& idleService, bool mateSession, bool waylandSession,
                                                   const HostStatus& none);

// What an install changed in the host, so that it can be undone exactly: enough to take our entry
// out again and give the user's earlier choice back.
struct HostChange {
    HostKind kind = HostKind::None;               // None: nothing was changed
    std::string file;                             // XScreenSaver: its preferences file; MATE: our desktop
                                                  // entry; idle service: its autostart entry
    std::string command;                          // XScreenSaver: the command of our entry; idle service:
                                                  // the program the entry starts
    std::optional<std::string> previousMode;      // the host's mode before (nothing: it had none)
    std::optional<std::string> previousSelected;  // XScreenSaver: "selected"; MATE: "themes"; idle
                                                  // service: the program an entry of ours started before
    bool createdFile = false;                     // the preferences file did not exist before
    std::string createdBackup;                    // the one-time copy of the user's file made now
    std::string createdLink;                      // the link made for a program path with blanks
    std::string createdFolder;                    // idle service: the highest folder made for its entry
};

struct InstallResult {
    bool ok = false;
    HostKind kind = HostKind::None;
    std::string message;  // for the user: what was done, or why nothing could be
    HostChange change;
};

// Makes `program` (an absolute path) the active screen saver of the session's host, shown as
// `title`. Never throws for a missing host or one that cannot run `program` (ok is false then); throws std::runtime_error naming the file when a file
// of the host cannot be written (the old file is then intact).
InstallResult InstallSaver(const std::string& program, const std::string& title);

// The same into a given host (tests, and the tool's choice).
InstallResult InstallSaverInto(const HostStatus& host, const std::string& program, const std::string& title);

// Takes back what `change` did, as far as the host still shows it: our entry and the files made for
// it go; the mode and the selection come back when they still point at ours. Returns a line for the
// user. Throws std::runtime_error naming the file when a host file cannot be written.
std::string UndoHostChange(const HostChange& change);

}  // namespace qel::hosts
