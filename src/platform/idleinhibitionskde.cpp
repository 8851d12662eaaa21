// KDE Plasma's power management keeps the requests of programs that want the screen on (made
// through the common screen-saver interface on the session bus, as video players do) and tells
// when they change. The idle time its compositor reports does not know about them.

#include <utility>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QObject>

#include "platform/idleinhibitions.h"
#include "platform/sessionbus.h"

namespace qel::platform {
namespace {

const QString kService = QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent");
const QString kPath = QStringLiteral("/org/kde/Solid/PowerManagement/PolicyAgent");
const QString kInterface = QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent");
// The kind of request that keeps the screen on ("change screen settings"); others only keep the
// machine from sleeping, which a screen saver does not do.
constexpr uint kScreenPolicy = 4;
constexpr int kCallTimeoutMs = 2000;

// The bus delivers its signals to slots by name; the changes themselves are asked for again.
class ChangeReceiver : public QObject {
    Q_OBJECT
public:
    std::function<void()> changed;

public Q_SLOTS:
    void InhibitionsChanged()
    {
        if (changed)
            changed();
    }
};

class KdeInhibitions final : public IdleInhibitions {
public:
    explicit KdeInhibitions(QDBusConnection bus) : bus_(std::move(bus))
    {
        // Any sender: the service may start, stop and start again under another unique name.
        bus_.connect(QString(), kPath, kInterface, QStringLiteral("InhibitionsChanged"), &receiver_,
                     SLOT(InhibitionsChanged()));
    }

    ~KdeInhibitions() override
    {
        bus_.disconnect(QString(), kPath, kInterface, QStringLiteral("InhibitionsChanged"), &receiver_,
                        SLOT(InhibitionsChanged()));
    }

    bool Held() override
    {
        const QDBusMessage has = Call(QStringLiteral("HasInhibition"), {QVariant::fromValue(kScreenPolicy)});
        if (has.type() == QDBusMessage::ReplyMessage && has.arguments().size() == 1)
            return has.arguments().front().toBool();
        // A version without the question by kind: any request at all holds the show off.
        const QDBusMessage list = Call(QStringLiteral("ListInhibitions"));
        if (list.type() != QDBusMessage::ReplyMessage || list.arguments().size() != 1)
            return false;  // no power management (yet): nothing is held
        const auto requests = list.arguments().front().value<QDBusArgument>();
        if (requests.currentType() != QDBusArgument::ArrayType)
            return false;
        requests.beginArray();
        const bool any = !requests.atEnd();
        requests.endArray();
        return any;
    }

    void OnChanged(std::function<void()> changed) override { receiver_.changed = std::move(changed); }

private:
    QDBusMessage Call(const QString& method, const QList<QVariant>& args = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
        call.setArguments(args);
        call.setAutoStartService(false);  // asked, never started
        return bus_.call(call, QDBus::Block, kCallTimeoutMs);
    }

    QDBusConnection bus_;
    ChangeReceiver receiver_;
};

}  // namespace

std::unique_ptr<IdleInhibitions> OpenKdeInhibitions(std::string* problem)
{
    if (!SessionBusExists()) {
        if (problem)
            *problem = "no session bus";
        return nullptr;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (problem)
            *problem = "cannot connect to the session bus: " + bus.lastError().message().toStdString();
        return nullptr;
    }
    return std::make_unique<KdeInhibitions>(std::move(bus));
}

}  // namespace qel::platform

#include "idleinhibitionskde.moc"
