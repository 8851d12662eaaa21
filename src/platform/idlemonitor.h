#pragma once
// Tells when the user has been idle for a given time and when they are back. Every source works on
// a connection of its own, read when the main thread's event loop sees data on it: nothing polls,
// and it works whatever the window toolkit draws its windows with. Main thread only.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/idlesource.h"

namespace qel::platform {

class IdleMonitor {
public:
    struct Events {
        std::function<void()> idle;    // the user has been idle for the wait
        std::function<void()> active;  // the first input after `idle`
        // The source stopped working (its connection closed); no event comes after this one.
        std::function<void(const std::string& why)> lost;
    };

    virtual ~IdleMonitor() = default;

    // Watches for `wait` without input: `idle` comes once it has passed (at once when the user has
    // been idle that long already; the Wayland protocols count from the call instead), then
    // `active` at the next input, then `idle` after the next wait, and so on. A second call starts
    // over with the new wait and events.
    virtual void Watch(std::chrono::milliseconds wait, Events events) = 0;
    [[nodiscard]] virtual IdleSourceKind Kind() const = 0;
};

// The first of `choice`'s candidates that opens; nothing (and *problem says why) when none does.
[[nodiscard]] std::unique_ptr<IdleMonitor> OpenIdleMonitor(const IdleSourceChoice& choice, std::string* problem);

// The Wayland compositor's idle notices, through the protocol of `kind` (WaylandIdleNotifier or
// KdeWaylandIdle) on a connection of the monitor's own; nothing (and *problem says why) without the
// compositor or the protocol.
[[nodiscard]] std::unique_ptr<IdleMonitor> OpenWaylandIdleMonitor(IdleSourceKind kind, std::string* problem);

// GNOME's idle monitor on the session bus; nothing (and *problem says why) without the bus or the
// monitor.
[[nodiscard]] std::unique_ptr<IdleMonitor> OpenGnomeIdleMonitor(std::string* problem);

// The X11 server in $DISPLAY's idle time; nothing (and *problem says why) without the server or its
// counter.
[[nodiscard]] std::unique_ptr<IdleMonitor> OpenX11IdleMonitor(std::string* problem);

}  // namespace qel::platform
