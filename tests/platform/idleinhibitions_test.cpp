// The idle notices held back while a program keeps the screen on: what the service is told for each
// order of the source's notices and the requests coming and going.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "platform/idleinhibitions.h"

namespace qel::platform {
namespace {

using namespace std::chrono_literals;

struct Shared {
    IdleMonitor::Events source;  // what the wrapper gave the source
    bool held = false;
    std::function<void()> changed;
};

class StandInSource : public IdleMonitor {
public:
    explicit StandInSource(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    void Watch(std::chrono::milliseconds, Events events) override { s_->source = std::move(events); }
    [[nodiscard]] IdleSourceKind Kind() const override { return IdleSourceKind::KdeWaylandIdle; }

private:
    std::shared_ptr<Shared> s_;
};

class StandInInhibitions : public IdleInhibitions {
public:
    explicit StandInInhibitions(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    bool Held() override { return s_->held; }
    void OnChanged(std::function<void()> changed) override { s_->changed = std::move(changed); }

private:
    std::shared_ptr<Shared> s_;
};

class HeldIdle : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "idleinhibitions_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    void SetUp() override
    {
        monitor_ = HoldOffWhileInhibited(std::make_unique<StandInSource>(s_), std::make_unique<StandInInhibitions>(s_));
        IdleMonitor::Events events;
        events.idle = [this] { told_.push_back("idle"); };
        events.active = [this] { told_.push_back("active"); };
        // The wait again after a request is let go: none, so the event loop's next turn ends it.
        monitor_->Watch(0ms, std::move(events));
    }

    void Hold(bool held)
    {
        s_->held = held;
        s_->changed();
    }
    static void Settle() { QCoreApplication::processEvents(); }

    std::shared_ptr<Shared> s_ = std::make_shared<Shared>();
    std::unique_ptr<IdleMonitor> monitor_;
    std::vector<std::string> told_;
};

TEST_F(HeldIdle, WithoutRequestsEveryNoticeGoesStraightThrough)
{
    s_->source.idle();
    s_->source.active();
    s_->source.idle();
    EXPECT_EQ(told_, (std::vector<std::string>{"idle", "active", "idle"}));
}

TEST_F(HeldIdle, IdleWhileHeldComesOnlyAfterTheRequestIsGoneAndTheWaitHasPassedAgain)
{
    Hold(true);
    s_->source.idle();
    Settle();
    EXPECT_TRUE(told_.empty()) << "a video plays";
    Hold(true);  // another request; the first still held
    Settle();
    EXPECT_TRUE(told_.empty());
    Hold(false);
    EXPECT_TRUE(told_.empty()) << "not at once: the wait starts again";
    Settle();
    EXPECT_EQ(told_, std::vector<std::string>{"idle"});
    s_->source.active();
    EXPECT_EQ(told_, (std::vector<std::string>{"idle", "active"}));
}

TEST_F(HeldIdle, InputBeforeTheShowWasToldIsNotPassedOn)
{
    // Held all through the idle period: the service never hears of it.
    Hold(true);
    s_->source.idle();
    s_->source.active();
    // Let go while idle, but the user is back before the wait has passed again.
    s_->source.idle();
    Hold(false);
    s_->source.active();
    Settle();
    EXPECT_TRUE(told_.empty());
    // A request let go while the user works starts nothing.
    Hold(true);
    Hold(false);
    Settle();
    EXPECT_TRUE(told_.empty());
}

}  // namespace
}  // namespace qel::platform
