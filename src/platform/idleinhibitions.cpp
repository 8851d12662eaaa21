#include "platform/idleinhibitions.h"

#include <utility>

#include <QTimer>

namespace qel::platform {
namespace {

// What the source says and what the service is told differ only while the user is idle: an idle
// notice that came while a request was held is kept back, and told once the requests are gone and
// the wait has passed again without input.
class InhibitedIdleMonitor final : public IdleMonitor {
public:
    InhibitedIdleMonitor(std::unique_ptr<IdleMonitor> source, std::unique_ptr<IdleInhibitions> inhibitions)
        : source_(std::move(source)), inhibitions_(std::move(inhibitions))
    {
        again_.setSingleShot(true);
        QObject::connect(&again_, &QTimer::timeout, [this] { TellIdleIfFree(); });
        inhibitions_->OnChanged([this] { Changed(); });
    }

    ~InhibitedIdleMonitor() override { inhibitions_->OnChanged(nullptr); }

    void Watch(std::chrono::milliseconds wait, Events events) override
    {
        events_ = std::move(events);
        wait_ = wait;
        userIdle_ = told_ = false;
        again_.stop();
        Events mine;
        mine.idle = [this] {
            userIdle_ = true;
            TellIdleIfFree();
        };
        mine.active = [this] {
            userIdle_ = false;
            again_.stop();
            if (told_) {
                told_ = false;
                if (const auto active = events_.active)
                    active();
            }
        };
        mine.lost = [this](const std::string& why) {
            if (const auto lost = events_.lost)
                lost(why);
        };
        source_->Watch(wait, std::move(mine));
    }

    [[nodiscard]] IdleSourceKind Kind() const override { return source_->Kind(); }

private:
    void TellIdleIfFree()
    {
        if (!userIdle_ || told_ || inhibitions_->Held())
            return;
        told_ = true;
        if (const auto idle = events_.idle)
            idle();
    }

    // A request let go while the user is idle counts as input: the wait starts again. The timer
    // runs only then, never while the user works.
    void Changed()
    {
        if (userIdle_ && !told_ && !inhibitions_->Held())
            again_.start(wait_);
    }

    std::unique_ptr<IdleMonitor> source_;
    std::unique_ptr<IdleInhibitions> inhibitions_;
    QTimer again_;
    std::chrono::milliseconds wait_{};
    bool userIdle_ = false;  // the source said idle and not yet active
    bool told_ = false;      // the service was told idle and not yet active
    Events events_;
};

}  // namespace

std::unique_ptr<IdleMonitor> HoldOffWhileInhibited(std::unique_ptr<IdleMonitor> source,
                                                   std::unique_ptr<IdleInhibitions> inhibitions)
{
    return std::make_unique<InhibitedIdleMonitor>(std::move(source), std::move(inhibitions));
}

}  // namespace qel::platform
