#pragma once
// Which source tells the idle service how long the user has been idle. Sessions offer different
// ones, and some that exist must not be used: inside a Wayland session the X11 server of older
// programs never sees Wayland input, so its idle counter would keep growing while the user works.
// The choice is made once, at start, from what the environment says about the session; each
// candidate is then tried in its order and the first that opens is used.

#include <string>
#include <vector>

namespace qel::platform {

// What the environment says about the session.
struct IdleSession {
    std::string sessionType;      // XDG_SESSION_TYPE ("wayland", "x11", "tty", or empty)
    bool waylandDisplay = false;  // WAYLAND_DISPLAY is set
    bool x11Display = false;      // DISPLAY is set
};

// The sources, in the order they are preferred. Wayland sessions will get their compositors' own
// idle notices and the desktop's idle monitor on the session bus; none of them is built yet.
enum class IdleSourceKind {
    X11IdleCounter,  // the X server's IDLETIME counter with alarms (X11 sessions only)
};

struct IdleSourceChoice {
    std::vector<IdleSourceKind> candidates;  // tried in this order
    std::string problem;                     // why there is none, when there is none
};

[[nodiscard]] IdleSession IdleSessionFromEnvironment();
// True when the session's input goes through a Wayland compositor.
[[nodiscard]] bool IsWaylandSession(const IdleSession& session);
[[nodiscard]] IdleSourceChoice ChooseIdleSources(const IdleSession& session);
// A short name for messages.
[[nodiscard]] const char* IdleSourceName(IdleSourceKind kind);

}  // namespace qel::platform
