// The Wayland compositor's own idle notices. The compositor keeps one timer per notice object and
// tells when the seat has had no input for its timeout ("idled"/"idle") and when input comes again
// ("resumed"); it holds the notice back while a client inhibits idling (a video playing). Its input
// never reaches the X11 server of older programs, so nothing else in a Wayland session knows.
//
// The connection is the monitor's own, not the window toolkit's: that one is not open to us, and the
// windows may be drawn through any platform plugin. It is read when the event loop sees data on it.

#include <wayland-client.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QSocketNotifier>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"
#include "platform/environment.h"
#include "platform/idlemonitor.h"

namespace qel::platform {
namespace {

// The globals the monitor needs, found in the compositor's registry.
struct Globals {
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto* g = static_cast<Globals*>(data);
    // Version 1 of each is all that is used. The first seat is the user's: compositors offer one.
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g->seat)
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 && !g->notifier)
        g->notifier =
            static_cast<ext_idle_notifier_v1*>(wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0 && !g->kdeIdle)
        g->kdeIdle = static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t)
{
}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

class WaylandIdleMonitor final : public IdleMonitor {
public:
    WaylandIdleMonitor(wl_display* display, wl_registry* registry, Globals globals, IdleSourceKind kind)
        : display_(display), registry_(registry), globals_(globals), kind_(kind),
          notifier_(std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read))
    {
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Read(); });
    }

    ~WaylandIdleMonitor() override
    {
        notifier_.reset();
        DropNotice();
        if (globals_.notifier)
            ext_idle_notifier_v1_destroy(globals_.notifier);
        if (globals_.kdeIdle)
            org_kde_kwin_idle_destroy(globals_.kdeIdle);
        if (globals_.seat)
            wl_seat_destroy(globals_.seat);
        wl_registry_destroy(registry_);
        wl_display_flush(display_);
        wl_display_disconnect(display_);
    }

    void Watch(std::chrono::milliseconds wait, Events events) override
    {
        events_ = std::move(events);
        // A new notice object counts its timeout from its own creation: the user's idle time so
        // far is not known here, so a changed wait starts a fresh one.
        DropNotice();
        phase_ = Phase::Idle;
        const auto timeout = std::uint32_t(std::clamp<std::int64_t>(wait.count(), 1, INT32_MAX));
        if (kind_ == IdleSourceKind::WaylandIdleNotifier) {
            notice_ = ext_idle_notifier_v1_get_idle_notification(globals_.notifier, timeout, globals_.seat);
            ext_idle_notification_v1_add_listener(notice_, &kNoticeListener, this);
        } else {
            kdeNotice_ = org_kde_kwin_idle_get_idle_timeout(globals_.kdeIdle, globals_.seat, timeout);
            org_kde_kwin_idle_timeout_add_listener(kdeNotice_, &kKdeNoticeListener, this);
        }
        wl_display_flush(display_);
    }

    [[nodiscard]] IdleSourceKind Kind() const override { return kind_; }

private:
    enum class Phase { Idle, Active };  // what the monitor waits for

    void DropNotice()
    {
        if (notice_)
            ext_idle_notification_v1_destroy(notice_);
        if (kdeNotice_)
            org_kde_kwin_idle_timeout_release(kdeNotice_);
        notice_ = nullptr;
        kdeNotice_ = nullptr;
    }

    // The compositor's events, in the order it sends them; one out of turn (after the watch was
    // started over) is dropped. They are told once the connection's queue has been read through,
    // since a told event may start the watch over and so destroy the object being dispatched.
    void Became(Phase seen)
    {
        if (seen != phase_)
            return;
        phase_ = seen == Phase::Idle ? Phase::Active : Phase::Idle;
        told_.push_back(seen == Phase::Idle ? events_.idle : events_.active);
    }

    static void OnIdled(void* data, ext_idle_notification_v1*)
    {
        static_cast<WaylandIdleMonitor*>(data)->Became(Phase::Idle);
    }
    static void OnResumed(void* data, ext_idle_notification_v1*)
    {
        static_cast<WaylandIdleMonitor*>(data)->Became(Phase::Active);
    }
    static void OnKdeIdle(void* data, org_kde_kwin_idle_timeout*)
    {
        static_cast<WaylandIdleMonitor*>(data)->Became(Phase::Idle);
    }
    static void OnKdeResumed(void* data, org_kde_kwin_idle_timeout*)
    {
        static_cast<WaylandIdleMonitor*>(data)->Became(Phase::Active);
    }
    static constexpr ext_idle_notification_v1_listener kNoticeListener = {OnIdled, OnResumed};
    static constexpr org_kde_kwin_idle_timeout_listener kKdeNoticeListener = {OnKdeIdle, OnKdeResumed};

    void Read()
    {
        // Another reader of this connection cannot exist, but the library asks for the handshake.
        while (wl_display_prepare_read(display_) != 0)
            wl_display_dispatch_pending(display_);
        const bool read = wl_display_read_events(display_) == 0;
        if (read)
            wl_display_dispatch_pending(display_);
        std::vector<std::function<void()>> told;
        told.swap(told_);
        for (const auto& tell : told) {
            if (tell)
                tell();
        }
        if ((!read || wl_display_get_error(display_) != 0) && notifier_->isEnabled()) {
            notifier_->setEnabled(false);
            if (const auto lost = events_.lost)
                lost("the connection to the Wayland compositor closed");
        }
    }

    wl_display* display_;
    wl_registry* registry_;
    Globals globals_;
    IdleSourceKind kind_;
    std::unique_ptr<QSocketNotifier> notifier_;
    ext_idle_notification_v1* notice_ = nullptr;
    org_kde_kwin_idle_timeout* kdeNotice_ = nullptr;
    Phase phase_ = Phase::Idle;
    Events events_;
    std::vector<std::function<void()>> told_;
};

}  // namespace

std::unique_ptr<IdleMonitor> OpenWaylandIdleMonitor(IdleSourceKind kind, std::string* problem)
{
    auto fail = [problem](std::string why) -> std::unique_ptr<IdleMonitor> {
        if (problem)
            *problem = std::move(why);
        return nullptr;
    };
    if (kind != IdleSourceKind::WaylandIdleNotifier && kind != IdleSourceKind::KdeWaylandIdle)
        return fail("not a Wayland idle protocol");
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return fail("cannot connect to the Wayland compositor \"" + Environment("WAYLAND_DISPLAY") + "\"");
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    const bool answered = wl_display_roundtrip(display) >= 0;
    const bool offered =
        kind == IdleSourceKind::WaylandIdleNotifier ? globals.notifier != nullptr : globals.kdeIdle != nullptr;
    if (answered && offered && globals.seat)
        return std::make_unique<WaylandIdleMonitor>(display, registry, globals, kind);

    if (globals.notifier)
        ext_idle_notifier_v1_destroy(globals.notifier);
    if (globals.kdeIdle)
        org_kde_kwin_idle_destroy(globals.kdeIdle);
    if (globals.seat)
        wl_seat_destroy(globals.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        return fail("the Wayland compositor does not answer");
    if (!offered)
        return fail("the Wayland compositor does not offer it");
    return fail("the Wayland compositor has no seat");
}

}  // namespace qel::platform
