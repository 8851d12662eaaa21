#include "platform/idlesource.h"

#include <algorithm>

#include "platform/environment.h"

namespace qel::platform {

IdleSession IdleSessionFromEnvironment()
{
    IdleSession s;
    s.sessionType = Environment("XDG_SESSION_TYPE");
    s.waylandDisplay = !Environment("WAYLAND_DISPLAY").empty();
    s.x11Display = !Environment("DISPLAY").empty();
    s.currentDesktop = Environment("XDG_CURRENT_DESKTOP");
    return s;
}

bool IsWaylandSession(const IdleSession& session)
{
    // The session's own word counts first: an X11 session may run a nested compositor, which sets
    // WAYLAND_DISPLAY for its own clients only.
    if (session.sessionType == "wayland")
        return true;
    if (session.sessionType == "x11")
        return false;
    return session.waylandDisplay;
}

namespace {

bool NamesDesktop(const std::string& desktops, const std::string& name)
{
    std::size_t start = 0;
    while (start <= desktops.size()) {
        const std::size_t end = std::min(desktops.find(':', start), desktops.size());
        if (desktops.compare(start, end - start, name) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

IdleSourceChoice ChooseIdleSources(const IdleSession& session)
{
    IdleSourceChoice choice;
    choice.askPowerManagement = NamesDesktop(session.currentDesktop, "KDE");
    if (IsWaylandSession(session)) {
        // The X11 server such a session runs for older programs is not told about Wayland input, so
        // it is never a candidate here. The compositor's protocols need its socket; GNOME's monitor
        // is reached over the session bus, which a service started without the session's
        // WAYLAND_DISPLAY may still have.
        if (session.waylandDisplay)
            choice.candidates = {IdleSourceKind::WaylandIdleNotifier, IdleSourceKind::KdeWaylandIdle};
        choice.candidates.push_back(IdleSourceKind::GnomeIdleMonitor);
        return choice;
    }
    if (session.x11Display) {
        choice.candidates.push_back(IdleSourceKind::X11IdleCounter);
        return choice;
    }
    choice.problem = "no display to watch for idle time";
    return choice;
}

const char* IdleSourceName(IdleSourceKind kind)
{
    switch (kind) {
    case IdleSourceKind::WaylandIdleNotifier: return "the Wayland idle notices (ext_idle_notifier_v1)";
    case IdleSourceKind::KdeWaylandIdle: return "KDE's Wayland idle notices (org_kde_kwin_idle)";
    case IdleSourceKind::GnomeIdleMonitor: return "GNOME's idle monitor on the session bus";
    case IdleSourceKind::X11IdleCounter: return "the X11 idle time";
    }
    return "?";
}

}  // namespace qel::platform
