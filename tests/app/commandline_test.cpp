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
