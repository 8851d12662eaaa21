// The X11 server's idle time: its IDLETIME system counter (milliseconds since the last input; the
// server resets it on real and synthetic input and when a client resets the screen saver, as video
// players do while they play) with one alarm that the server fires when the counter crosses the
// value it is set to, so nothing here runs while the user works.

#include <xcb/sync.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include <QMetaObject>
#include <QSocketNotifier>

#include "platform/environment.h"
#include "platform/idlemonitor.h"

namespace qel::platform {
namespace {

xcb_sync_int64_t ToInt64(std::int64_t v)
{
    const auto u = static_cast<std::uint64_t>(v);
    return {static_cast<std::int32_t>(u >> 32), static_cast<std::uint32_t>(u & 0xFFFFFFFFu)};
}

std::int64_t FromInt64(xcb_sync_int64_t v)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(v.hi)) << 32) | v.lo);
}

// The IDLETIME counter of the server behind `c`; 0 when it has none. The list is read from the
// reply's bytes as the protocol lays them out (counter, resolution, name length, name, padding to
// four bytes): the library's own walk through it assumes the padding of its C structure and loses
// its way after the first entry.
xcb_sync_counter_t FindIdleCounter(xcb_connection_t* c)
{
    xcb_sync_list_system_counters_reply_t* list =
        xcb_sync_list_system_counters_reply(c, xcb_sync_list_system_counters(c), nullptr);
    if (!list)
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(list + 1);
    const std::size_t size = std::size_t(list->length) * 4;
    xcb_sync_counter_t found = 0;
    constexpr std::size_t kFixed = 4 + 8 + 2;
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < list->counters_len && at + kFixed <= size; ++i) {
        xcb_sync_counter_t counter;
        std::uint16_t length;
        std::memcpy(&counter, bytes + at, sizeof counter);
        std::memcpy(&length, bytes + at + 12, sizeof length);
        if (at + kFixed + length > size)
            break;
        const std::string name(reinterpret_cast<const char*>(bytes + at + kFixed), length);
        if (name == "IDLETIME") {
            found = counter;
            break;
        }
        at += (kFixed + length + 3) / 4 * 4;
    }
    std::free(list);
    return found;
}

class X11IdleMonitor final : public IdleMonitor {
public:
    X11IdleMonitor(xcb_connection_t* c, std::uint8_t firstEvent, xcb_sync_counter_t counter, xcb_sync_alarm_t alarm)
        : c_(c), alarmNotify_(static_cast<std::uint8_t>(firstEvent + XCB_SYNC_ALARM_NOTIFY)), counter_(counter),
          alarm_(alarm), notifier_(std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read))
    {
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Read(); });
    }

    ~X11IdleMonitor() override
    {
        notifier_.reset();
        xcb_sync_destroy_alarm(c_, alarm_);
        xcb_flush(c_);
        xcb_disconnect(c_);
    }

    void Watch(std::chrono::milliseconds wait, Events events) override
    {
        // The server's counter counts milliseconds from 0: a wait below one would never be
        // crossed from below.
        wait_ = std::max<std::int64_t>(wait.count(), 1);
        events_ = std::move(events);
        Arm(Phase::Idle);
    }

    [[nodiscard]] IdleSourceKind Kind() const override { return IdleSourceKind::X11IdleCounter; }

private:
    enum class Phase { Idle, Active };

    // The value the alarm waits for in each phase: the wait reached, or the counter back below it
    // (input resets it to 0). A comparison, not a transition, so a phase armed after its moment
    // has already come fires at once.
    [[nodiscard]] std::int64_t Threshold(Phase phase) const { return phase == Phase::Idle ? wait_ : wait_ - 1; }

    void Arm(Phase phase)
    {
        phase_ = phase;
        xcb_sync_change_alarm_value_list_t values{};
        values.counter = counter_;
        values.valueType = XCB_SYNC_VALUETYPE_ABSOLUTE;
        values.value = ToInt64(Threshold(phase));
        values.testType =
            phase == Phase::Idle ? XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON : XCB_SYNC_TESTTYPE_NEGATIVE_COMPARISON;
        values.delta = ToInt64(0);  // fires once, then waits to be set again
        values.events = 1;
        xcb_sync_change_alarm_aux(c_, alarm_,
                                  XCB_SYNC_CA_COUNTER | XCB_SYNC_CA_VALUE_TYPE | XCB_SYNC_CA_VALUE |
                                      XCB_SYNC_CA_TEST_TYPE | XCB_SYNC_CA_DELTA | XCB_SYNC_CA_EVENTS,
                                  &values);
        xcb_flush(c_);
        // Writing may have read events into the connection's queue, where the notifier does not
        // see them: they are looked at once the event loop is back.
        QMetaObject::invokeMethod(
            notifier_.get(), [this] { Read(); }, Qt::QueuedConnection);
    }

    void Read()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            const bool fired =
                (event->response_type & 0x7F) == alarmNotify_ &&
                reinterpret_cast<xcb_sync_alarm_notify_event_t*>(event)->alarm == alarm_ &&
                FromInt64(reinterpret_cast<xcb_sync_alarm_notify_event_t*>(event)->alarm_value) == Threshold(phase_);
            std::free(event);
            // A notice of the phase before the last change is stale.
            if (!fired)
                continue;
            // Copied: the event may start the watch over with other events.
            std::function<void()> tell;
            if (phase_ == Phase::Idle) {
                Arm(Phase::Active);
                tell = events_.idle;
            } else {
                Arm(Phase::Idle);
                tell = events_.active;
            }
            if (tell)
                tell();
        }
        if (xcb_connection_has_error(c_) && notifier_->isEnabled()) {
            notifier_->setEnabled(false);
            if (const auto lost = events_.lost)
                lost("the connection to the X server closed");
        }
    }

    xcb_connection_t* c_;
    std::uint8_t alarmNotify_;
    xcb_sync_counter_t counter_;
    xcb_sync_alarm_t alarm_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::int64_t wait_ = 1;
    Phase phase_ = Phase::Idle;
    Events events_;
};

}  // namespace

std::unique_ptr<IdleMonitor> OpenX11IdleMonitor(std::string* problem)
{
    auto fail = [problem](xcb_connection_t* c, std::string why) -> std::unique_ptr<IdleMonitor> {
        if (c)
            xcb_disconnect(c);
        if (problem)
            *problem = std::move(why);
        return nullptr;
    };
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return fail(c, "cannot connect to the display \"" + Environment("DISPLAY") + "\"");
    const xcb_query_extension_reply_t* sync = xcb_get_extension_data(c, &xcb_sync_id);
    if (!sync || !sync->present)
        return fail(c, "the X server has no SYNC extension");
    xcb_sync_initialize_reply_t* version =
        xcb_sync_initialize_reply(c, xcb_sync_initialize(c, XCB_SYNC_MAJOR_VERSION, XCB_SYNC_MINOR_VERSION), nullptr);
    if (!version)
        return fail(c, "the X server's SYNC extension does not answer");
    std::free(version);
    const xcb_sync_counter_t counter = FindIdleCounter(c);
    if (!counter)
        return fail(c, "the X server keeps no IDLETIME counter");

    // The alarm is made asleep (a value the counter never reaches) and set by Watch.
    const xcb_sync_alarm_t alarm = xcb_generate_id(c);
    xcb_sync_create_alarm_value_list_t values{};
    values.counter = counter;
    values.valueType = XCB_SYNC_VALUETYPE_ABSOLUTE;
    values.value = ToInt64(std::numeric_limits<std::int64_t>::max());
    values.testType = XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON;
    values.delta = ToInt64(0);
    values.events = 0;
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_sync_create_alarm_aux_checked(c, alarm,
                                             XCB_SYNC_CA_COUNTER | XCB_SYNC_CA_VALUE_TYPE | XCB_SYNC_CA_VALUE |
                                                 XCB_SYNC_CA_TEST_TYPE | XCB_SYNC_CA_DELTA | XCB_SYNC_CA_EVENTS,
                                             &values));
    if (error) {
        std::free(error);
        return fail(c, "the X server refused an idle alarm");
    }
    return std::make_unique<X11IdleMonitor>(c, sync->first_event, counter, alarm);
}

}  // namespace qel::platform
