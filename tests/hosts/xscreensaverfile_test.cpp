// Editing the XScreenSaver preferences file: our entry in the programs list, "mode" and "selected",
// and everything else left as it was.

#include <string>

#include <gtest/gtest.h>

#include "hosts/screensaverentry.h"
#include "hosts/xscreensaverfile.h"

namespace qel::hosts {
namespace {

const std::string kUserFile = "# XScreenSaver Preferences File\n"
                              "# Written by xscreensaver-settings 6.06 for user on Mon Jan  1 00:00:00 2024.\n"
                              "\n"
                              "timeout:\t0:10:00\n"
                              "mode:\t\trandom\n"
                              "selected:\t-1\n"
                              "\n"
                              "programs:\t\t\t\t\t\t\t\t      \\\n"
                              "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
                              "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
                              "  \"Pretty Name\"  attraction --root  \\n\\\n"
                              "-\t\t\t\tnoseguy --root\t\t\t\t    \\n\n"
                              "\n"
                              "pointerHysteresis:\t10\n";

TEST(XScreenSaverFile, OurEntryIsAddedAfterTheUsersAndSelectedEverythingElseKept)
{
    const SaverInstall r = InstallSaverProgram(kUserFile, "My \"Holiday\"", "/opt/saver/QelSaver --root");
    const auto entries = ParseSaverPrograms(r.content);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[1].command, "superquadrics --root");
    EXPECT_FALSE(entries[1].enabled);
    EXPECT_EQ(entries[2].command, "attraction --root");
    EXPECT_EQ(entries[4].text, "\"My Holiday\"  /opt/saver/QelSaver --root");
    EXPECT_EQ(r.selected, 4) << "disabled entries count: the place is in the whole list";
    EXPECT_NE(r.content.find("\nmode:\t\tone\n"), std::string::npos);
    EXPECT_NE(r.content.find("\nselected:\t\t4\n"), std::string::npos);
    EXPECT_EQ(r.content.find("random"), std::string::npos);
    for (const char* kept : {"# Written by xscreensaver-settings", "timeout:\t0:10:00\n", "pointerHysteresis:\t10\n"})
        EXPECT_NE(r.content.find(kept), std::string::npos) << kept;

    // Installing again (another title, the entry disabled meanwhile) reuses the entry.
    std::string disabled = r.content;
    disabled.replace(disabled.find("\"My Holiday\""), 1, "-\"");
    const SaverInstall again = InstallSaverProgram(disabled, "Summer", "/opt/saver/QelSaver --root");
    const auto after = ParseSaverPrograms(again.content);
    ASSERT_EQ(after.size(), 5u);
    EXPECT_TRUE(after[4].enabled);
    EXPECT_EQ(after[4].text, "\"Summer\"  /opt/saver/QelSaver --root");
    EXPECT_EQ(again.selected, 4);
}

TEST(XScreenSaverFile, AFileThatDoesNotExistYetGetsJustOurKeys)
{
    const SaverInstall r = InstallSaverProgram("", "Saver", "/home/u/QelSaver --root");
    EXPECT_EQ(r.selected, 0);
    const auto entries = ParseSaverPrograms(r.content);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].command, "/home/u/QelSaver --root");
    EXPECT_NE(r.content.find("mode:\t\tone\n"), std::string::npos);
    EXPECT_NE(r.content.find("selected:\t\t0\n"), std::string::npos);
}

TEST(XScreenSaverFile, UninstallingTakesOurEntryOutAndGivesTheUsersChoiceBack)
{
    const std::string command = "/opt/saver/QelSaver --root";
    const SaverInstall installed = InstallSaverProgram(kUserFile, "Holiday", command);
    const SaverRemoval r = UninstallSaverProgram(installed.content, command, ReadResource(kUserFile, "mode:"),
                                                 ReadResource(kUserFile, "selected:"));
    EXPECT_TRUE(r.removed);
    EXPECT_EQ(ParseSaverPrograms(r.content).size(), ParseSaverPrograms(kUserFile).size());
    EXPECT_EQ(ReadResource(r.content, "mode:"), "random");
    EXPECT_EQ(ReadResource(r.content, "selected:"), "-1");

    // The user chose another saver since: that choice stays, and a place after ours moves down.
    std::string chosen = installed.content;
    const std::string ours = "selected:\t\t4";
    chosen.replace(chosen.find(ours), ours.size(), "selected:\t\t2");
    const SaverRemoval kept = UninstallSaverProgram(chosen, command, std::string("random"), std::string("-1"));
    EXPECT_EQ(ReadResource(kept.content, "mode:"), "one");
    EXPECT_EQ(ReadResource(kept.content, "selected:"), "2");

    // A file that had no mode loses ours; one that lists no entry of ours is left alone.
    const SaverInstall fresh = InstallSaverProgram("", "Saver", command);
    const SaverRemoval emptied = UninstallSaverProgram(fresh.content, command, std::nullopt, std::nullopt);
    EXPECT_TRUE(emptied.empty);
    EXPECT_FALSE(ReadResource(emptied.content, "mode:").has_value());
    EXPECT_FALSE(UninstallSaverProgram(kUserFile, command, std::nullopt, std::nullopt).removed);
}

TEST(DesktopEntry, TheScreenSaverEntryRunsTheProgramAndCannotBeGivenKeysByItsTitle)
{
    const std::string entry = ScreenSaverDesktopEntry("Holiday\nX=1", "/home/a b/QelSaver", {"--root"});
    EXPECT_NE(entry.find("Exec=\"/home/a b/QelSaver\" --root\n"), std::string::npos);
    EXPECT_NE(entry.find("Categories=Screensaver;\n"), std::string::npos);
    EXPECT_NE(entry.find("Name=Holiday X=1\n"), std::string::npos) << "a title cannot add keys";
}

}  // namespace
}  // namespace qel::hosts
