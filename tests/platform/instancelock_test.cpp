#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/instancelock.h"

using qel::platform::InstanceLock;

namespace {

std::string UniqueName()
{
    return "QelTestLock" + std::to_string(::getpid()) + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

// Starts a child that takes the lock, tells the parent through a pipe, then waits to be killed.
pid_t HoldInChild(const std::string& name)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        InstanceLock lock;
        char ok = lock.Acquire(name) ? '1' : '0';
        (void)!::write(fds[1], &ok, 1);
        for (;;)
            ::pause();
    }
    ::close(fds[1]);
    char ok = 0;
    (void)!::read(fds[0], &ok, 1);
    ::close(fds[0]);
    return ok == '1' ? pid : -1;
}

}  // namespace

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstEnds)
{
    const auto name = UniqueName();
    pid_t child = HoldInChild(name);
    ASSERT_GT(child, 0);
    {
        InstanceLock second;
        EXPECT_FALSE(second.Acquire(name));
        EXPECT_FALSE(second.Held());
    }
    // The holder is killed: its lock file stays behind but must not block anyone.
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(std::filesystem::exists(InstanceLock::LockPath(name)));
    InstanceLock third;
    EXPECT_TRUE(third.Acquire(name));
    EXPECT_TRUE(third.Held());
    std::filesystem::remove(InstanceLock::LockPath(name));
}

TEST(InstanceLock, DifferentNamesDoNotBlockEachOther)
{
    const auto name = UniqueName();
    InstanceLock a;
    InstanceLock b;
    EXPECT_TRUE(a.Acquire(name + "1"));
    EXPECT_TRUE(b.Acquire(name + "2"));
    std::filesystem::remove(InstanceLock::LockPath(name + "1"));
    std::filesystem::remove(InstanceLock::LockPath(name + "2"));
}
