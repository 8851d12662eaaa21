// The idle service in this process, driven by a stand-in idle source, with a stand-in show program
// the test tells what to do: a show process for each idle period, ended by the source's notice or
// by itself, never two savers at once, and a show that fails reported while the service goes on.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "app/idleservice.h"
#include "platform/instancelock.h"
#include "platform/sessionlock.h"

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
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("qel-idle-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_ / "run");
        fs::permissions(dir_ / "run", fs::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
        settings::SaveSettings(SettingsFile(), settings::SaverSettings{});
        // The show: it notes its process, then does what the test writes into its control pipe.
        ASSERT_EQ(::mkfifo((dir_ / "control").c_str(), 0600), 0);
        std::ofstream(dir_ / "show") << "#!/bin/sh\n"
                                        "echo $$ >> \"$1/started\"\n"
                                        "while read -r what < \"$1/control\"; do\n"
                                        "  case \"$what\" in\n"
                                        "  back) echo back ;;\n"
                                        "  crash) kill -SEGV $$ ;;\n"
                                        "  *) exit \"$what\" ;;\n"
                                        "  esac\n"
                                        "done\n";
        fs::permissions(dir_ / "show", fs::perms::owner_all);
        service_ = NewService();
        service_->Start(2);
    }

    void TearDown() override
    {
        service_.reset();
        fs::remove_all(dir_);
    }

    [[nodiscard]] std::string SettingsFile() const { return (dir_ / "QelSetup.dat").string(); }

    std::unique_ptr<IdleService> NewService(std::unique_ptr<platform::SessionLocker> locker = nullptr)
    {
        return std::make_unique<IdleService>(SettingsFile(), std::make_unique<StandInSource>(told_), lockName_,
                                             ShowProgram{(dir_ / "show").string(), {dir_.string()}}, std::move(locker));
    }

    // Tells the running show what to do, once it listens.
    bool TellShow(const std::string& what)
    {
        return QTest::qWaitFor([&] {
            const int fd = ::open((dir_ / "control").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                return false;  // nobody reads yet
            const std::string line = what + "\n";
            const bool written = ::write(fd, line.data(), line.size()) == ssize_t(line.size());
            ::close(fd);
            return written;
        });
    }

    // The processes of the shows started so far.
    [[nodiscard]] std::vector<pid_t> Started() const
    {
        std::ifstream in(dir_ / "started");
        std::vector<pid_t> pids;
        for (pid_t pid = 0; in >> pid;)
            pids.push_back(pid);
        return pids;
    }

    bool ShowGone()
    {
        return QTest::qWaitFor([&] { return !service_->ShowRunning(); });
    }
    bool LockFree()
    {
        platform::InstanceLock lock;
        return lock.Acquire(lockName_);
    }

    fs::path dir_;
    std::string lockName_ = "QelTestShow" + std::to_string(::getpid());
    std::shared_ptr<StandInSource::Told> told_ = std::make_shared<StandInSource::Told>();
    std::unique_ptr<IdleService> service_;
};

TEST_F(IdleServiceTest, EachIdlePeriodBringsAShowProcessAndTheFirstInputEndsIt)
{
    EXPECT_EQ(told_->wait, 2s);
    EXPECT_FALSE(service_->ShowRunning()) << "nothing shows before the user is idle";

    for (int period = 1; period <= 2; ++period) {
        told_->events.idle();
        ASSERT_TRUE(service_->Showing()) << period;
        told_->events.idle();  // a repeated notice changes nothing
        ASSERT_TRUE(QTest::qWaitFor([&] { return Started().size() == std::size_t(period); })) << period;
        EXPECT_FALSE(LockFree()) << "the show holds the run mode's guard";

        told_->events.active();
        EXPECT_FALSE(service_->Showing());
        ASSERT_TRUE(ShowGone()) << period;
        EXPECT_TRUE(LockFree()) << "and lets it go with the show";
        told_->events.active();  // and so does a notice with no show
    }

    // An exit input in the show's own windows ends it from inside: the service waits again.
    told_->events.idle();
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(TellShow("0"));
    ASSERT_TRUE(ShowGone());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "an ordinary end";
    told_->events.active();
    EXPECT_TRUE(LockFree());

    // The service ends: its show goes with it, not left covering the screens.
    told_->events.idle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Started().size() == 4; }));
    service_.reset();
    EXPECT_NE(::kill(Started().back(), 0), 0) << "the last show still runs";
    EXPECT_EQ(Started().size(), 4U);
}

// A show that crashes, ends with a failure or cannot be started at all is told of on the error
// output; the service goes on with the next idle period.
TEST_F(IdleServiceTest, AFailedShowIsReportedAndTheServiceGoesOn)
{
    for (const std::string failure : {"crash", "3"}) {
        told_->events.idle();
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(TellShow(failure));
        ASSERT_TRUE(ShowGone()) << failure;
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(failure == "crash" ? "ended unexpectedly" : "status 3"), std::string::npos) << said;
        EXPECT_TRUE(LockFree()) << failure;
        told_->events.active();
    }
    told_->events.idle();
    EXPECT_TRUE(service_->Showing());
    told_->events.active();
    ASSERT_TRUE(ShowGone());

    fs::remove(dir_ / "show");
    told_->events.idle();
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(ShowGone());
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("could not be started"), std::string::npos);
    EXPECT_TRUE(LockFree());
}

TEST_F(IdleServiceTest, AShowStartsOnlyWhileNoOtherSaverCoversTheScreens)
{
    platform::InstanceLock other;
    ASSERT_TRUE(other.Acquire(lockName_));
    told_->events.idle();
    EXPECT_FALSE(service_->ShowRunning()) << "a saver run by hand or by a host is showing";
    told_->events.active();
}

TEST_F(IdleServiceTest, WithoutAFixedWaitTheWaitFollowsTheSettingsFile)
{
    service_ = NewService();
    service_->Start(std::nullopt);
    EXPECT_EQ(told_->wait, 3min);
    settings::SaverSettings s;
    s.idleMinutes = 10;
    settings::SaveSettings(SettingsFile(), s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return told_->wait == 10min; }));

    // A change during a show waits for its end: the show still waits for the user's return.
    told_->events.idle();
    ASSERT_TRUE(service_->Showing());
    s.idleMinutes = 20;
    settings::SaveSettings(SettingsFile(), s);
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
    service_ = NewService(std::make_unique<StandInLocker>(asked, answer));
    service_->Start(2);
    told_->events.idle();
    told_->events.active();
    EXPECT_FALSE(service_->Showing());
    EXPECT_EQ(*asked, 0) << "not asked for";
    ASSERT_TRUE(ShowGone());

    settings::SaverSettings s;
    s.lockOnResume = true;
    settings::SaveSettings(SettingsFile(), s);
    told_->events.idle();
    ASSERT_TRUE(TellShow("back"));  // an exit input in the show's windows
    ASSERT_TRUE(QTest::qWaitFor([&] { return *asked == 1; }));
    told_->events.active();
    EXPECT_EQ(*asked, 1) << "asked once, whichever input came";
    EXPECT_TRUE(service_->Showing()) << "the desktop stays covered until the lock";
    (*answer)(true, {});
    EXPECT_FALSE(service_->Showing());
    ASSERT_TRUE(ShowGone());

    // The locker gives up: the show closes all the same.
    told_->events.idle();
    told_->events.active();
    ASSERT_EQ(*asked, 2);
    ::testing::internal::CaptureStderr();
    (*answer)(false, "no screen locker answered");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("no screen locker answered"), std::string::npos);
    EXPECT_FALSE(service_->Showing());
    ASSERT_TRUE(ShowGone());

    // A show that went while the lock was asked for: the late answer leaves the next show alone.
    told_->events.idle();
    told_->events.active();
    ASSERT_EQ(*asked, 3);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(TellShow("crash"));
    ASSERT_TRUE(ShowGone());
    ::testing::internal::GetCapturedStderr();
    told_->events.idle();
    (*answer)(true, {});
    EXPECT_TRUE(service_->Showing());
    told_->events.active();
    EXPECT_EQ(*asked, 4) << "the new show asks for itself";

    // No locker at all: the same, once the event loop is back.
    service_ = NewService();
    service_->Start(2);
    told_->events.idle();
    told_->events.active();
    EXPECT_TRUE(service_->Locking());
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(ShowGone());
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
