// The idle service in this process (offscreen), driven by a stand-in idle source: a show for each
// idle period, ended by the source's notice or by input in its windows, and never two savers at once.

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "app/idleservice.h"
#include "platform/instancelock.h"
#include "platform/sessionlock.h"
#include "slideshow/slideshowsession.h"
#include "slideshow/slideshowwindow.h"

namespace qel::app {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Tells the service what a real source would, when the test says so.
class StandInSource : public platform::IdleMonitor {
public:
    struct Told {
        std::chrono::milliseconds wait{};
        Events events;
    };
    explicit StandInSource(std::shared_ptr<Told> told) : told_(std::move(told)) {}
    void Watch(std::chrono::milliseconds wait, Events events) override
    {
        told_->wait = wait;
        told_->events = std::move(events);
    }
    [[nodiscard]] platform::IdleSourceKind Kind() const override { return platform::IdleSourceKind::X11IdleCounter; }

private:
    std::shared_ptr<Told> told_;
};

class IdleServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "idleservice_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("qel-idle-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_ / "run");
        fs::permissions(dir_ / "run", fs::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
        settings::SaverSettings s;
        s.bgColor = 0x000000FF;
        settings::SaveSettings((dir_ / "QelSetup.dat").string(), s);
        service_ = std::make_unique<IdleService>((dir_ / "QelSetup.dat").string(),
                                                 std::make_unique<StandInSource>(told_), lockName_);
        service_->Start(2);
    }

    void TearDown() override
    {
        service_.reset();
        fs::remove_all(dir_);
    }

    // What the event loop does between the source's notices.
    static void Settle() { QApplication::processEvents(); }

    fs::path dir_;
    std::string lockName_ = "QelTestShow" + std::to_string(::getpid());
    std::shared_ptr<StandInSource::Told> told_ = std::make_shared<StandInSource::Told>();
    std::unique_ptr<IdleService> service_;
};

TEST_F(IdleServiceTest, EachIdlePeriodBringsTheShowAndTheFirstInputEndsIt)
{
    EXPECT_EQ(told_->wait, 2s);
    EXPECT_EQ(service_->Show(), nullptr) << "nothing shows before the user is idle";

    for (int period = 0; period < 2; ++period) {
        told_->events.idle();
        ASSERT_TRUE(service_->Showing()) << period;
        const auto& windows = service_->Show()->Windows();
        ASSERT_EQ(windows.size(), std::size_t(QApplication::screens().size()));
        EXPECT_TRUE(windows.front()->isFullScreen());
        told_->events.idle();  // a repeated notice changes nothing
        EXPECT_EQ(&service_->Show()->Windows(), &windows);

        told_->events.active();
        EXPECT_FALSE(service_->Showing());
        Settle();
        EXPECT_EQ(service_->Show(), nullptr) << "the ended show is gone";
        told_->events.active();  // and so does a notice with no show
    }

    // An exit input in the show's own window ends it too; the source's notice of the same input
    // follows, and the next idle period brings the next show.
    told_->events.idle();
    ASSERT_TRUE(service_->Showing());
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(service_->Show()->Windows().front().get(), &key);
    EXPECT_FALSE(service_->Showing());
    Settle();
    told_->events.active();
    EXPECT_EQ(service_->Show(), nullptr);
    told_->events.idle();
    EXPECT_TRUE(service_->Showing());
}

TEST_F(IdleServiceTest, AShowStartsOnlyWhileNoOtherSaverCoversTheScreens)
{
    {
        platform::InstanceLock other;
        ASSERT_TRUE(other.Acquire(lockName_));
        told_->events.idle();
        EXPECT_EQ(service_->Show(), nullptr) << "a saver run by hand or by a host is showing";
        told_->events.active();
    }
    told_->events.idle();
    ASSERT_TRUE(service_->Showing());
    platform::InstanceLock second;
    EXPECT_FALSE(second.Acquire(lockName_)) << "the show holds the run mode's guard";
    told_->events.active();
    Settle();
    EXPECT_TRUE(second.Acquire(lockName_)) << "and lets it go with the show";
}

TEST_F(IdleServiceTest, WithoutAFixedWaitTheWaitFollowsTheSettingsFile)
{
    service_ = std::make_unique<IdleService>((dir_ / "QelSetup.dat").string(), std::make_unique<StandInSource>(told_),
                                             lockName_);
    service_->Start(std::nullopt);
    EXPECT_EQ(told_->wait, 3min);
    settings::SaverSettings s;
    s.idleMinutes = 10;
    settings::SaveSettings((dir_ / "QelSetup.dat").string(), s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return told_->wait == 10min; }));

    // A change during a show waits for its end: the show still waits for the user's return.
    told_->events.idle();
    ASSERT_TRUE(service_->Showing());
    s.idleMinutes = 20;
    settings::SaveSettings((dir_ / "QelSetup.dat").string(), s);
    service_->SettingsChanged();  // whether or not the kernel's notice has come yet
    EXPECT_EQ(told_->wait, 10min);
    told_->events.active();
    EXPECT_TRUE(QTest::qWaitFor([&] { return told_->wait == 20min; }));
}

// Answers a lock request when the test says so.
class StandInLocker : public platform::SessionLocker {
public:
    explicit StandInLocker(std::shared_ptr<int> asked,
                           std::shared_ptr<std::function<void(bool, const std::string&)>> done)
        : asked_(std::move(asked)), done_(std::move(done))
    {
    }
    void Lock(std::function<void(bool, const std::string&)> done) override
    {
        ++*asked_;
        *done_ = std::move(done);
    }

private:
    std::shared_ptr<int> asked_;
    std::shared_ptr<std::function<void(bool, const std::string&)>> done_;
};

// "LockOnResume": the user's return asks for the lock once, and the show stays until the session
// reports locked, or until the locker gives up; without the setting nothing is asked.
TEST_F(IdleServiceTest, OnResumeTheSessionLocksBeforeTheShowGoesAndAShowWithoutALockerStillEnds)
{
    auto asked = std::make_shared<int>(0);
    auto answer = std::make_shared<std::function<void(bool, const std::string&)>>();
    service_ = std::make_unique<IdleService>((dir_ / "QelSetup.dat").string(), std::make_unique<StandInSource>(told_),
                                             lockName_, std::make_unique<StandInLocker>(asked, answer));
    service_->Start(2);
    told_->events.idle();
    told_->events.active();
    EXPECT_FALSE(service_->Showing());
    EXPECT_EQ(*asked, 0) << "not asked for";
    Settle();

    settings::SaverSettings s;
    s.lockOnResume = true;
    settings::SaveSettings((dir_ / "QelSetup.dat").string(), s);
    told_->events.idle();
    told_->events.active();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(service_->Show()->Windows().front().get(), &key);
    EXPECT_EQ(*asked, 1) << "asked once, whichever input came";
    EXPECT_TRUE(service_->Showing()) << "the desktop stays covered until the lock";
    (*answer)(true, {});
    EXPECT_FALSE(service_->Showing());
    Settle();

    // The locker gives up: the show closes all the same.
    told_->events.idle();
    QApplication::sendEvent(service_->Show()->Windows().front().get(), &key);
    ASSERT_EQ(*asked, 2);
    ::testing::internal::CaptureStderr();
    (*answer)(false, "no screen locker answered");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("no screen locker answered"), std::string::npos);
    EXPECT_FALSE(service_->Showing());
    Settle();

    // No locker at all: the same, once the event loop is back.
    service_ = std::make_unique<IdleService>((dir_ / "QelSetup.dat").string(), std::make_unique<StandInSource>(told_),
                                             lockName_);
    service_->Start(2);
    told_->events.idle();
    told_->events.active();
    EXPECT_TRUE(service_->Locking());
    ::testing::internal::CaptureStderr();
    Settle();
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(service_->Showing());
}

// The login manager's locker through a stand-in loginctl on PATH: the lock counts once the session
// says it is locked; a refused request and a session that never locks both end in "not locked".
TEST_F(IdleServiceTest, TheLoginManagerLockerWaitsForTheSessionToReportLocked)
{
    const fs::path bin = dir_ / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "loginctl")
        << "#!/bin/sh\n"
           "state=\"$(dirname \"$0\")/state\"\n"
           "case \"$1\" in\n"
           "lock-session) [ -e \"$state.refuse\" ] && exit 1; cp \"$state.after\" \"$state\" ;;\n"
           "show-session) cat \"$state\" ;;\n"
           "esac\n";
    fs::permissions(bin / "loginctl", fs::perms::owner_all);
    const std::string path = ::getenv("PATH") ? ::getenv("PATH") : "";
    ::setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    auto lock = [&](const char* after, bool refuse) {
        std::ofstream(bin / "state") << "no\n";
        std::ofstream(bin / "state.after") << after;
        if (refuse)
            std::ofstream(bin / "state.refuse") << "";
        else
            fs::remove(bin / "state.refuse");
        const auto locker = platform::MakeLoginManagerLocker(std::chrono::seconds(4));
        std::optional<bool> locked;
        locker->Lock([&](bool l, const std::string&) { locked = l; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return locked.has_value(); }, 20000));
        return locked.value_or(false);
    };
    EXPECT_TRUE(lock("yes\n", false));
    EXPECT_FALSE(lock("no\n", false)) << "no locker answered";
    EXPECT_FALSE(lock("yes\n", true)) << "the request was refused";
    ::setenv("PATH", path.c_str(), 1);
}

TEST(IdleWait, TheCommandLineComesBeforeTheSettings)
{
    settings::SaverSettings s;
    EXPECT_EQ(IdleWait(std::nullopt, s), 3min);
    s.idleMinutes = 45;
    EXPECT_EQ(IdleWait(std::nullopt, s), 45min);
    EXPECT_EQ(IdleWait(2, s), 2s);
    s.idleMinutes = 0;  // set in the program, never read from a file
    EXPECT_EQ(IdleWait(std::nullopt, s), 1min);
}

}  // namespace
}  // namespace qel::app
