// Our idle service as the host: its autostart entry in a private home, undone exactly, never through
// a link and never over a file of the user's; and which host an install picks.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "base/desktopentry.h"
#include "hosts/idleservicehost.h"
#include "hosts/matesaverfolders.h"
#include "hosts/saverhost.h"
#include "platform/process.h"

namespace qel::hosts {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p)
{
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class IdleServiceHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home_ = fs::temp_directory_path() /
                ("qel-idlehost-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(home_);
        fs::create_directories(home_ / "savers");
        ::setenv("HOME", home_.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
        // The service started by an install: a program that only ends.
        program_ = MakeProgram("QelSaver");
        entry_ = home_ / "config" / "autostart" / "qelsaver-idle.desktop";
        host_.kind = HostKind::IdleService;
        host_.installed = true;
    }
    void TearDown() override { fs::remove_all(home_); }

    fs::path MakeProgram(const std::string& name)
    {
        const fs::path p = home_ / "savers" / name;
        std::ofstream(p) << "#!/bin/sh\nexit 0\n";
        fs::permissions(p, fs::perms::owner_all);
        return p;
    }

    fs::path home_;
    fs::path program_;
    fs::path entry_;
    HostStatus host_;
};

TEST_F(IdleServiceHostTest, TheAutostartEntryStartsTheServiceAndAnUndoTakesBackExactlyWhatWasThere)
{
    const InstallResult r = InstallSaverInto(host_, program_.string(), "Garden");
    ASSERT_TRUE(r.ok) << r.message;
    auto keys = base::ReadDesktopEntry(Read(entry_));
    EXPECT_EQ(keys["Exec"], program_.string() + " --idle-service");
    EXPECT_EQ(keys["X-GNOME-Autostart-enabled"], "true");
    UndoHostChange(r.change);
    EXPECT_FALSE(fs::exists(fs::symlink_status(entry_)));
    EXPECT_FALSE(fs::exists(home_ / "config")) << "the folders made for the entry go with it";

    // An entry of ours for another copy gives way, and comes back with the undo.
    const fs::path other = MakeProgram("Other Saver");
    ASSERT_TRUE(InstallSaverInto(host_, other.string(), "Other").ok);
    const std::string otherEntry = Read(entry_);
    EXPECT_EQ(base::ReadDesktopEntry(otherEntry)["Exec"], "\"" + other.string() + "\" --idle-service");
    const InstallResult replacing = InstallSaverInto(host_, program_.string(), "Garden");
    ASSERT_TRUE(replacing.ok);
    UndoHostChange(replacing.change);
    EXPECT_EQ(Read(entry_), otherEntry);

    // An entry the user changed since stays as it is.
    const InstallResult again = InstallSaverInto(host_, program_.string(), "Garden");
    std::ofstream(entry_, std::ios::app) << "Hidden=true\n";
    const std::string changed = Read(entry_);
    UndoHostChange(again.change);
    EXPECT_EQ(Read(entry_), changed);
}

TEST_F(IdleServiceHostTest, TheUsersOwnFileOrLinkOfThatNameStaysAndAProgramThatCannotStartLeavesNothing)
{
    fs::create_directories(entry_.parent_path());
    const std::string own = "[Desktop Entry]\nType=Application\nExec=mine\n";
    std::ofstream(entry_) << own;
    EXPECT_THROW(InstallSaverInto(host_, program_.string(), "Garden"), std::runtime_error);
    EXPECT_EQ(Read(entry_), own);
    // A record naming it (edited, or from another install) does not remove it either.
    HostChange forged;
    forged.kind = HostKind::IdleService;
    forged.file = entry_.string();
    forged.command = "mine";
    UndoHostChange(forged);
    EXPECT_EQ(Read(entry_), own);
    fs::remove(entry_);

    // A link there is not written through, not even to a file of ours, and an undo leaves it.
    std::ofstream(home_ / "target") << IdleServiceAutostartEntry(program_.string());
    fs::create_symlink(home_ / "target", entry_);
    EXPECT_THROW(InstallSaverInto(host_, program_.string(), "Garden"), std::runtime_error);
    forged.command = program_.string();
    UndoHostChange(forged);
    EXPECT_TRUE(fs::is_symlink(entry_));
    EXPECT_EQ(Read(home_ / "target"), IdleServiceAutostartEntry(program_.string()));
    fs::remove(entry_);

    // An autostart entry that starts nothing would only look like success.
    const fs::path broken = home_ / "savers" / "broken";
    std::ofstream(broken) << "not a program";
    fs::permissions(broken, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THROW(InstallSaverInto(host_, broken.string(), "Garden"), std::runtime_error);
    EXPECT_FALSE(fs::exists(fs::symlink_status(entry_)));
}

// The session has one service: installing another copy ends the service of the one it replaces,
// and taking the install back ends its service and starts the earlier one again.
TEST_F(IdleServiceHostTest, TheServiceOfTheCopyTakenBackEndsAndTheEarlierOneRunsAgain)
{
    const fs::path first = home_ / "savers" / "First";
    const fs::path second = home_ / "savers" / "Second";
    fs::copy_file(QEL_STAYING_PROGRAM, first);
    fs::copy_file(QEL_STAYING_PROGRAM, second);
    // How many services of `program` run now; asking them to end is how they are found.
    const auto running = [](const fs::path& program) {
        return platform::EndProcessesRunning(program.string(), "--idle-service", 3000);
    };
    ASSERT_TRUE(InstallSaverInto(host_, first.string(), "First").ok);
    const InstallResult r = InstallSaverInto(host_, second.string(), "Second");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(running(first), 0);
    UndoHostChange(r.change);
    EXPECT_EQ(running(second), 0);
    EXPECT_EQ(running(first), 1);
}

HostStatus Host(HostKind kind, bool installed, bool running = false, bool runsProgram = true)
{
    HostStatus h;
    h.kind = kind;
    h.installed = installed;
    h.running = running;
    h.runsProgram = runsProgram;
    return h;
}

// The host in use: a running XScreenSaver, then MATE's in its own session for a copy in its
// folders, then our idle service; the None entry only where not even the service can run.
TEST(HostChoice, ThePerUserCopyOnMateAndEveryDesktopWithoutAHostGetTheIdleService)
{
    const HostStatus idle = Host(HostKind::IdleService, true);
    const HostStatus none = Host(HostKind::None, false);
    const auto choose = [&](const HostStatus& xss, const HostStatus& mate, const HostStatus& service, bool mateSession,
                            bool wayland) {
        return ChooseHost(ArrangeHosts(xss, mate, service, mateSession, wayland, none)).kind;
    };
    const HostStatus noXss = Host(HostKind::XScreenSaver, false);
    const HostStatus noMate = Host(HostKind::MateScreenSaver, false);
    EXPECT_EQ(
        choose(Host(HostKind::XScreenSaver, true, true), Host(HostKind::MateScreenSaver, true), idle, true, false),
        HostKind::XScreenSaver);
    EXPECT_EQ(choose(noXss, Host(HostKind::MateScreenSaver, true), idle, true, false), HostKind::MateScreenSaver);
    EXPECT_EQ(choose(noXss, Host(HostKind::MateScreenSaver, true, false, false), idle, true, false),
              HostKind::IdleService);
    // MATE's saver outside its session, or an XScreenSaver nobody started, runs nothing now.
    EXPECT_EQ(choose(Host(HostKind::XScreenSaver, true), Host(HostKind::MateScreenSaver, true), idle, false, false),
              HostKind::IdleService);
    EXPECT_EQ(choose(noXss, noMate, Host(HostKind::IdleService, false), false, true), HostKind::None);
}

TEST(HostChoice, MateRunsACopyOnlyFromItsOwnFoldersByTheNameItHasThere)
{
    const fs::path root = fs::temp_directory_path() / "qel-matefolders";
    fs::remove_all(root);
    fs::create_directories(root / "savers");
    fs::create_directories(root / "app");
    std::ofstream(root / "app" / "QelSaver") << "x";
    std::ofstream(root / "copy") << "x";
    fs::create_symlink(root / "app" / "QelSaver", root / "savers" / "qelsaver");
    // Known by a link's path, as an installed program often is.
    fs::create_symlink(root / "app" / "QelSaver", root / "launcher");
    const std::vector<std::string> folders{(root / "missing").string(), (root / "savers").string()};
    EXPECT_EQ(MateSaverCommandName((root / "launcher").string(), folders), "qelsaver");
    EXPECT_EQ(MateSaverCommandName((root / "copy").string(), folders), "");
    fs::remove_all(root);
}

}  // namespace
}  // namespace qel::hosts
