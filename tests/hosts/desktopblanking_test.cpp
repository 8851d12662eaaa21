// When each desktop blanks the screen, as read from what it writes, and the editor's line about it.

#include <gtest/gtest.h>

#include "hosts/desktopblanking.h"

namespace qel::hosts {
namespace {

TEST(DesktopBlanking, EachDesktopsTimeoutIsReadAndNeverOrSwitchedOffGivesNothing)
{
    EXPECT_EQ(GnomeIdleDelaySeconds("uint32 300\n"), 300);
    EXPECT_EQ(GnomeIdleDelaySeconds("uint32 0\n"), std::nullopt) << "GNOME's \"never\"";
    EXPECT_EQ(GnomeIdleDelaySeconds("No such schema\n"), std::nullopt);

    EXPECT_EQ(KdeLockSeconds(""), 300) << "no file: KDE's own default";
    EXPECT_EQ(KdeLockSeconds("[Daemon]\r\nTimeout=10\r\n"), 600);
    EXPECT_EQ(KdeLockSeconds("[Daemon]\nAutolock=false\nTimeout=10\n"), std::nullopt);
    EXPECT_EQ(KdeLockSeconds("[Other]\nTimeout=1\n[Daemon]\nTimeout=2\n"), 120);
    EXPECT_EQ(KdeScreenOffSeconds("[AC][DPMSControl]\nidleTime=240\n[Battery][DPMSControl]\nidleTime=60\n"), 240);
    EXPECT_EQ(KdeScreenOffSeconds("[Battery][DPMSControl]\nidleTime=60\n"), std::nullopt);

    EXPECT_EQ(XScreenSaverTimeoutSeconds("timeout:\t0:10:00\n"), 600);
    EXPECT_EQ(XScreenSaverTimeoutSeconds("timeout: 7\n"), 420);
    EXPECT_EQ(XScreenSaverTimeoutSeconds("timeout: 0:x:00\n"), std::nullopt);
}

TEST(DesktopBlanking, TheNoteAppearsOnlyWhenTheScreenGoesBlankBeforeTheWaitIsOver)
{
    const DesktopBlanking gnome{300, "GNOME"};
    EXPECT_EQ(BlankingNote(gnome, 4), "");
    EXPECT_NE(BlankingNote(gnome, 5).find("GNOME blanks the screen after 5 minutes"), std::string::npos);
    EXPECT_NE(BlankingNote(DesktopBlanking{90, "KDE Plasma"}, 3).find("after 90 seconds"), std::string::npos);
    EXPECT_EQ(BlankingNote(std::nullopt, 120), "");
}

}  // namespace
}  // namespace qel::hosts
