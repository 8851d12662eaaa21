// Other programs run for an answer: what they print and their exit status, and a program that does
// not end in time is killed rather than waited for.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/process.h"
#include "scratchfolder.h"

namespace qel::platform::test {
namespace {

using RunningACommand = ScratchFolder;

TEST_F(RunningACommand, TellsTheOutputAndExitStatus)
{
    const auto result = RunCommand({"sh", "-c", "printf 'one\\ntwo'; exit 3"});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->output, "one\ntwo");
    EXPECT_EQ(result->exitCode, 3);
    EXPECT_FALSE(RunCommand({"qelsaver-no-such-program"}));
}

TEST_F(RunningACommand, AProgramThatDoesNotEndInTimeIsKilled)
{
    // One that keeps its output open, and one that closes it and goes on running.
    for (const char* script : {"echo $$ > \"$1\"; exec sleep 600", "echo $$ > \"$1\"; exec sleep 600 >&-"}) {
        const std::string pidFile = At("pid");
        fs::remove(pidFile);
        EXPECT_FALSE(RunCommand({"sh", "-c", script, "sh", pidFile}, 2000)) << script;
        const std::string pid = Read(pidFile);
        ASSERT_FALSE(pid.empty()) << script;
        // Killed and reaped: no such process is left.
        EXPECT_NE(::kill(std::stoi(pid), 0), 0) << script;
        EXPECT_EQ(errno, ESRCH) << script;
    }
}

// A service started from the editor must not hold the editor's lock (an open file) after the
// editor has gone, nor be the editor's child: it gets none of our open files and a session of its own.
TEST_F(RunningACommand, ADetachedProgramGetsNoneOfOurFilesAndASessionOfItsOwn)
{
    const int held = ::open(At("lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    const int inherited = ::dup(held);  // without close-on-exec, as a library might leave one
    const std::string report = At("report");
    EXPECT_EQ(
        StartDetached("/bin/sh",
                      {"-c", "exec >\"$0.part\"; ls /proc/$$/fd; ps -o sid= -p $$; mv \"$0.part\" \"$0\"", report}),
        "");
    for (int i = 0; i < 500 && !fs::exists(report); ++i)
        ::usleep(20000);
    std::istringstream lines(Read(report));
    std::vector<std::string> fds;
    for (std::string line; std::getline(lines, line);)
        fds.push_back(line);
    ASSERT_GE(fds.size(), 2u);
    const std::string sid = fds.back();
    fds.pop_back();
    EXPECT_EQ(fds, (std::vector<std::string>{"0", "1", "2"})) << "only the standard ones";
    EXPECT_NE(std::stoi(sid), ::getsid(0));
    EXPECT_EQ(StartDetached(At("missing"), {}), std::strerror(ENOENT));
    ::close(inherited);
    ::close(held);
}

}  // namespace
}  // namespace qel::platform::test
