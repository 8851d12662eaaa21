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
    std::string currentDesktop;   // XDG_CURRENT_DESKTOP: desktop names separated by ':'
};

// The sources. A Wayland session tries its compositor's own idle notices first (the common
// protocol, then KDE's older one, which Debian 12's wlroots compositors offer), then the idle
// monitor GNOME's compositor keeps on the session bus (it offers neither protocol).
enum class IdleSourceKind {
    WaylandIdleNotifier,  // ext_idle_notifier_v1
    KdeWaylandIdle,       // org_kde_kwin_idle
    GnomeIdleMonitor,     // org.gnome.Mutter.IdleMonitor on the session bus
    X11IdleCounter,       // the X server's IDLETIME counter with alarms (X11 sessions only)
};

struct IdleSourceChoice {
    std::vector<IdleSourceKind> candidates;  // tried in this order
    std::string problem;                     // why there is none, when there is none
    // KDE Plasma hands programs' requests to keep the screen on (a video playing) to its power
    // management, not to the idle time its sources report: it is asked before each show.
    bool askPowerManagement = false;
};

[[nodiscard]] IdleSession IdleSessionFromEnvironment();
// True when the session's input goes through a Wayland compositor.
[[nodiscard]] bool IsWaylandSession(const IdleSession& session);
[[nodiscard]] IdleSourceChoice ChooseIdleSources(const IdleSession& session);
// A short name for messages.
[[nodiscard]] const char* IdleSourceName(IdleSourceKind kind);

}  // namespace qel::platform
