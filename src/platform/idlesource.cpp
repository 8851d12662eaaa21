#include "platform/idlesource.h"

#include "platform/environment.h"

namespace qel::platform {

IdleSession IdleSessionFromEnvironment()
{
    IdleSession s;
    s.sessionType = Environment("XDG_SESSION_TYPE");
    s.waylandDisplay = !Environment("WAYLAND_DISPLAY").empty();
    s.x11Display = !Environment("DISPLAY").empty();
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

IdleSourceChoice ChooseIdleSources(const IdleSession& session)
{
    IdleSourceChoice choice;
    if (IsWaylandSession(session)) {
        // The X11 server such a session runs for older programs is not told about Wayland input.
        choice.problem = "no idle source for a Wayland session yet (its X11 idle time never sees Wayland input)";
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
    case IdleSourceKind::X11IdleCounter: return "the X11 idle time";
    }
    return "?";
}

}  // namespace qel::platform
