#include <gtest/gtest.h>

#include "app/commandline.h"

using namespace qel::app;

namespace {
CommandLine Parse(std::vector<std::string> args)
{
    return ParseCommandLine(args);
}
}  // namespace

TEST(CommandLine, FirstArgumentChoosesTheMode)
{
    EXPECT_EQ(Parse({}).mode, Mode::Configure);
    EXPECT_EQ(Parse({"/c"}).mode, Mode::Configure);
    EXPECT_EQ(Parse({"-C:1234"}).mode, Mode::Configure);
    for (const char* run : {"/s", "/S", "-s", "/saver"})
        EXPECT_EQ(Parse({run}).mode, Mode::Run) << run;
    for (const char* preview : {"/p", "-P", "/l", "/L"})
        EXPECT_EQ(Parse({preview}).mode, Mode::Preview) << preview;
    EXPECT_EQ(Parse({"/a"}).mode, Mode::Password);
    for (const char* none : {"/x", "s", "", "-", "/", "c"})
        EXPECT_EQ(Parse({none}).mode, Mode::None) << none;
}

TEST(CommandLine, WindowHandleAfterColonOrAsSecondArgument)
{
    EXPECT_EQ(Parse({"/p:1234"}).parentHandle, 1234u);
    EXPECT_EQ(Parse({"/p", "1234"}).parentHandle, 1234u);
    EXPECT_EQ(Parse({"/p:", "1234"}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/p"}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/p:abc"}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/a", "77"}).parentHandle, 77u);
    EXPECT_EQ(Parse({"/l", "0x2c00007"}).parentHandle, 0x2c00007u);
    // Only the password and preview modes take a handle.
    EXPECT_EQ(Parse({"/c:1234"}).parentHandle, 0u);
    EXPECT_EQ(Parse({"/s", "1234"}).parentHandle, 0u);
}

TEST(CommandLine, ParseWindowHandle)
{
    EXPECT_EQ(ParseWindowHandle(" \t42\n"), 42u);
    EXPECT_EQ(ParseWindowHandle("x:0X1F"), 31u);
    EXPECT_EQ(ParseWindowHandle("4294967295"), 4294967295u);
    for (const char* bad : {"", "4294967296", "12a", "0x", "-5", "1 2", "0xZZ", "99999999999999999999"})
        EXPECT_EQ(ParseWindowHandle(bad), 0u) << bad;
}

TEST(CommandLine, HostWordsComeBeforeTheOneLetterModes)
{
    for (const char* root : {"--root", "-root"}) {
        const CommandLine cl = Parse({root});
        EXPECT_EQ(cl.mode, Mode::Host) << root;
        EXPECT_FALSE(cl.windowIdGiven) << root;
    }
    // A settings dialog's preview, in the forms hosts write it, with or without "--root".
    EXPECT_EQ(Parse({"--root", "--window-id", "0x2a00007"}).windowId, 0x2a00007u);
    EXPECT_EQ(Parse({"-window-id", "4194311"}).windowId, 4194311u);
    EXPECT_EQ(Parse({"--window-id=0x1F", "--root"}).windowId, 31u);
    for (const auto& bad : {std::vector<std::string>{"--window-id"}, std::vector<std::string>{"--window-id", "x"},
                            std::vector<std::string>{"--window-id", "/p:12"}}) {
        const CommandLine cl = Parse(bad);
        EXPECT_EQ(cl.mode, Mode::Host);
        EXPECT_TRUE(cl.windowIdGiven) << "a named window that does not read is not the whole screen";
        EXPECT_EQ(cl.windowId, 0u);
    }
    // Only the exact words: everything else keeps the one-letter rule.
    for (const char* other : {"--rootx", "-r", "--", "--window", "-rooted"})
        EXPECT_EQ(Parse({other}).mode, Mode::None) << other;
    EXPECT_EQ(Parse({"/s", "--root"}).mode, Mode::Run);
}

TEST(CommandLine, HelpAndVersionOnlyAsTheFirstArgument)
{
    EXPECT_EQ(InformationText({"--version"}), std::string("QelSaver ") + QELSAVER_VERSION + "\n");
    const std::string help = InformationText({"--help"});
    EXPECT_EQ(help.rfind(InformationText({"--version"}), 0), 0u) << "the help starts with the version";
    for (const char* mode : {"/c", "/s", "/p WINDOW", "/a"})
        EXPECT_NE(help.find(mode), std::string::npos) << mode;
    // Anything else keeps its meaning: a mode, or the silent end.
    for (const std::vector<std::string>& other :
         std::vector<std::vector<std::string>>{{}, {"/s", "--help"}, {"-h"}, {"--Help"}, {"--versions"}, {"-version"}})
        EXPECT_EQ(InformationText(other), "") << (other.empty() ? "" : other[0]);
}

TEST(CommandLine, IdleServiceTakesOnlyItsWaitInWholeSeconds)
{
    EXPECT_EQ(Parse({"--idle-service"}).mode, Mode::IdleService);
    EXPECT_FALSE(Parse({"--idle-service"}).idleAfterSeconds);
    EXPECT_EQ(Parse({"--idle-service", "--idle-after", "2"}).idleAfterSeconds, 2);
    EXPECT_EQ(Parse({"--idle-service", "--idle-after=7200"}).idleAfterSeconds, 7200);
    EXPECT_EQ(Parse({"--idle-service"}).error, "");
    // The service's own show: nothing more after it, and left out of the help.
    EXPECT_EQ(Parse({kIdleShowOption}).mode, Mode::IdleShow);
    EXPECT_NE(Parse({kIdleShowOption, "/c"}).error, "");
    EXPECT_EQ(InformationText({"--help"}).find(kIdleShowOption), std::string::npos);
    // A wait that does not read, or is out of range, is refused rather than taken as another one.
    for (const auto& bad : std::vector<std::vector<std::string>>{{"--idle-service", "--idle-after"},
                                                                 {"--idle-service", "--idle-after", "0"},
                                                                 {"--idle-service", "--idle-after", "7201"},
                                                                 {"--idle-service", "--idle-after", "-3"},
                                                                 {"--idle-service", "--idle-after", "2.5"},
                                                                 {"--idle-service", "--idle-after", "99999999999"},
                                                                 {"--idle-service", "--idle-after="},
                                                                 {"--idle-service", "/s"}}) {
        const CommandLine cl = Parse(bad);
        EXPECT_FALSE(cl.error.empty()) << bad.back();
        EXPECT_FALSE(cl.idleAfterSeconds) << bad.back();
    }
    // Only as the first argument, and only the exact word.
    EXPECT_EQ(Parse({"/s", "--idle-service"}).mode, Mode::Run);
    EXPECT_EQ(Parse({"--idle-services"}).mode, Mode::None);
    EXPECT_NE(InformationText({"--help"}).find("--idle-service [--idle-after SECONDS]"), std::string::npos);
}
