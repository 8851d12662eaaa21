// Other programs run for an answer: what they print and their exit status, and a program that does
// not end in time is killed rather than waited for.

#include <signal.h>

#include <cerrno>

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

}  // namespace
}  // namespace qel::platform::test
