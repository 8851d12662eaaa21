#pragma once
// The screen-saver host of the user's session: the program that starts a saver when the desktop is
// idle. Making this program the active screen saver means telling that host to run it.
//
// Two hosts can run a saver program of ours: XScreenSaver (its preferences file in the home folder)
// and MATE's screen saver (a desktop entry among the user's screen savers, then two of its settings).
// GNOME, KDE Plasma, Cinnamon and Wayland sessions run no saver programs at all.

#include <string>
#include <vector>

namespace qel::hosts {

enum class HostKind { XScreenSaver, MateScreenSaver, None };

struct HostStatus {
    HostKind kind = HostKind::None;
    std::string name;        // "XScreenSaver", "MATE screen saver"
    bool installed = false;  // its programs are on this system
    bool running = false;    // it runs in this session (only known for XScreenSaver)
    std::string detail;      // one line: what was found
};

// What this session offers, best first: the host to use is the first installed one; a session
// without any ends in an entry of kind None that says why.
[[nodiscard]] std::vector<HostStatus> DetectHosts();

// The first usable host of DetectHosts(), or the None entry.
[[nodiscard]] HostStatus ChooseHost(const std::vector<HostStatus>& hosts);

struct InstallResult {
    bool ok = false;
    HostKind kind = HostKind::None;
    std::string message;  // for the user: what was done, or why nothing could be
};

// Makes `program` (an absolute path) the active screen saver of the session's host, shown as
// `title`. Never throws for a missing host; throws std::runtime_error naming the file when a file
// of the host cannot be written (the old file is then intact).
InstallResult InstallSaver(const std::string& program, const std::string& title);

// The same into a given host (tests, and the tool's choice).
InstallResult InstallSaverInto(const HostStatus& host, const std::string& program, const std::string& title);

}  // namespace qel::hosts
