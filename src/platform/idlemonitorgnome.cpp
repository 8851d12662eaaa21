// GNOME's idle monitor: its compositor offers none of the Wayland idle protocols but keeps watches on
// the session bus. An idle watch fires each time the user has been idle for its interval (at once
// when they already have been), and not while an application inhibits idling through the session;
// a user-active watch fires once, at the next input, and is gone.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QMetaObject>
#include <QObject>

#include "platform/idlemonitor.h"
#include "platform/sessionbus.h"

namespace qel::platform {
namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kInterface = QStringLiteral("org.gnome.Mutter.IdleMonitor");
// A call the compositor does not answer in this time has failed: the service must not hang on it.
constexpr int kCallTimeoutMs = 5000;

// The bus delivers its signals to slots by name.
class WatchFiredReceiver : public QObject {
    Q_OBJECT
public:
    std::function<void(std::uint32_t)> fired;

public Q_SLOTS:
    void WatchFired(uint id)
    {
        if (fired)
            fired(id);
    }
};

class GnomeIdleMonitor final : public IdleMonitor {
public:
    explicit GnomeIdleMonitor(QDBusConnection bus)
        : bus_(std::move(bus)), receiver_(std::make_unique<WatchFiredReceiver>()),
          gone_(std::make_unique<QDBusServiceWatcher>(kService, bus_, QDBusServiceWatcher::WatchForUnregistration))
    {
        receiver_->fired = [this](std::uint32_t id) { Fired(id); };
        bus_.connect(kService, kPath, kInterface, QStringLiteral("WatchFired"), receiver_.get(),
                     SLOT(WatchFired(uint)));
        QObject::connect(gone_.get(), &QDBusServiceWatcher::serviceUnregistered, receiver_.get(),
                         [this] { Lose("GNOME's idle monitor left the session bus"); });
    }

    ~GnomeIdleMonitor() override
    {
        RemoveWatches();
        bus_.disconnect(kService, kPath, kInterface, QStringLiteral("WatchFired"), receiver_.get(),
                        SLOT(WatchFired(uint)));
    }

    void Watch(std::chrono::milliseconds wait, Events events) override
    {
        events_ = std::move(events);
        RemoveWatches();
        phase_ = Phase::Idle;
        const QDBusReply<uint> reply = Call(QStringLiteral("AddIdleWatch"),
                                            {QVariant::fromValue(quint64(std::max<std::int64_t>(wait.count(), 1)))});
        if (!reply.isValid()) {
            // Told once the event loop runs: the service may not have entered it yet.
            const std::string why = "GNOME's idle monitor refused a watch: " + reply.error().message().toStdString();
            QMetaObject::invokeMethod(
                receiver_.get(), [this, why] { Lose(why); }, Qt::QueuedConnection);
            return;
        }
        idleWatch_ = reply.value();
    }

    [[nodiscard]] IdleSourceKind Kind() const override { return IdleSourceKind::GnomeIdleMonitor; }

private:
    enum class Phase { Idle, Active };  // what the monitor waits for

    QDBusMessage Call(const QString& method, const QList<QVariant>& args = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
        call.setArguments(args);
        return bus_.call(call, QDBus::Block, kCallTimeoutMs);
    }

    void RemoveWatches()
    {
        for (std::uint32_t* id : {&idleWatch_, &activeWatch_}) {
            if (*id)
                Call(QStringLiteral("RemoveWatch"), {QVariant::fromValue(uint(*id))});
            *id = 0;
        }
    }

    // Watch ids of other programs come on the same signal; an id of ours that fires out of turn (an
    // old watch) is dropped.
    void Fired(std::uint32_t id)
    {
        if (id == 0 || lost_)
            return;
        std::function<void()> tell;
        if (phase_ == Phase::Idle && id == idleWatch_) {
            const QDBusReply<uint> reply = Call(QStringLiteral("AddUserActiveWatch"));
            if (!reply.isValid()) {
                Lose("GNOME's idle monitor refused a watch: " + reply.error().message().toStdString());
                return;
            }
            activeWatch_ = reply.value();
            phase_ = Phase::Active;
            tell = events_.idle;
        } else if (phase_ == Phase::Active && id == activeWatch_) {
            activeWatch_ = 0;  // fired watches of this kind are gone
            phase_ = Phase::Idle;
            tell = events_.active;
        }
        if (tell)
            tell();
    }

    void Lose(const std::string& why)
    {
        if (lost_)
            return;
        lost_ = true;
        if (const auto lost = events_.lost)
            lost(why);
    }

    QDBusConnection bus_;
    std::unique_ptr<WatchFiredReceiver> receiver_;
    std::unique_ptr<QDBusServiceWatcher> gone_;
    std::uint32_t idleWatch_ = 0;
    std::uint32_t activeWatch_ = 0;
    Phase phase_ = Phase::Idle;
    bool lost_ = false;
    Events events_;
};

}  // namespace

std::unique_ptr<IdleMonitor> OpenGnomeIdleMonitor(std::string* problem)
{
    auto fail = [problem](std::string why) -> std::unique_ptr<IdleMonitor> {
        if (problem)
            *problem = std::move(why);
        return nullptr;
    };
    if (!SessionBusExists())
        return fail("no session bus");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return fail("cannot connect to the session bus: " + bus.lastError().message().toStdString());
    if (!bus.interface() || !bus.interface()->isServiceRegistered(kService).value())
        return fail("GNOME's compositor is not on the session bus");
    return std::make_unique<GnomeIdleMonitor>(std::move(bus));
}

}  // namespace qel::platform

#include "idlemonitorgnome.moc"
