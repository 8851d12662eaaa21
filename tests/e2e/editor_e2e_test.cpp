// The real editor on a private X server: it opens on a prepared settings file, its pages are
// reached from the keyboard, and "&Settings" -> "&Exit" closes it with section "Path" written.

#include <string>

#include <gtest/gtest.h>

#include "imaging/picturewriter.h"
#include "settings/inifile.h"
#include "settings/saversettings.h"
#include "x11harness.h"

namespace qel::e2e {
namespace {

constexpr int kScreenW = 800;
constexpr int kScreenH = 600;

class EditorE2E : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(screen_.Ok()) << "could not start Xvfb"; }

    // Waits until the screen differs from `before` and has stopped changing; returns it.
    raster::Bitmap NextSettledScreen(const raster::Bitmap& before)
    {
        raster::Bitmap settled;
        const bool ok = WaitUntil([&] {
            raster::Bitmap a = screen_.Grab();
            if (DifferingPixels(a, before) == 0)
                return false;
            raster::Bitmap b = screen_.Grab();
            if (DifferingPixels(a, b) != 0)
                return false;
            settled = std::move(b);
            return true;
        });
        EXPECT_TRUE(ok) << "the screen did not change, or never settled";
        return settled;
    }

    VirtualScreen screen_{kScreenW, kScreenH};
    SaverInstall install_;
};

TEST_F(EditorE2E, PagesAreReachedFromTheKeyboardAndExitWritesSectionPath)
{
    raster::Bitmap picture(120, 90);
    picture.Fill(0x0000A0F0);
    imaging::WritePicture(install_.Path("picture.bmp"), picture);
    settings::SaverSettings s;
    s.images = {install_.Path("picture.bmp")};
    s.sounds = {install_.Path("missing.mp3")};
    s.transSetup = "1111";
    install_.WriteSettings(s);

    const raster::Bitmap empty = screen_.Grab();
    SaverProcess editor(install_, screen_, {});
    ASSERT_TRUE(screen_.Xdotool("mousemove 0 0"));  // no tool tip in the way
    ASSERT_TRUE(screen_.Xdotool("search --sync --onlyvisible --name \"Qel ScreenSaver\" windowfocus --sync"))
        << editor.Output();
    const raster::Bitmap images = NextSettledScreen(empty);

    ASSERT_TRUE(screen_.Xdotool("key alt+o"));
    const raster::Bitmap options = NextSettledScreen(images);
    ASSERT_TRUE(screen_.Xdotool("key alt+s"));  // the tab's letter, though the menu "&Settings" has it too
    const raster::Bitmap sounds = NextSettledScreen(options);
    EXPECT_NE(DifferingPixels(sounds, images), 0);
    ASSERT_TRUE(screen_.Xdotool("key ctrl+Tab"));  // the Transitions page: its preview runs
    EXPECT_TRUE(WaitUntil([&] { return DifferingPixels(screen_.Grab(), sounds) != 0; }));
    ASSERT_TRUE(screen_.Xdotool("key alt+i"));
    EXPECT_EQ(DifferingPixels(NextSettledScreen(sounds), images), 0) << "back on the first page as it was";
    EXPECT_TRUE(editor.Running());

    ASSERT_TRUE(screen_.Xdotool("key F10 e"));  // "&Settings" -> "&Exit"
    ASSERT_TRUE(editor.WaitForExit()) << editor.Output();
    EXPECT_EQ(editor.ExitCode(), 0);
    const auto ini = settings::IniFile::Open(install_.Path(settings::kSettingsFileName));
    EXPECT_TRUE(ini.SectionExists("Path"));
    EXPECT_EQ(ini.ReadString("Path", "AppPath", ""), install_.Folder() + "/");
    EXPECT_EQ(ini.ReadString("Path", "ImagePath", "?"), "");
    EXPECT_EQ(settings::ReadSettings(ini, settings::SettingsReader::Editor).images, s.images);
}

}  // namespace
}  // namespace qel::e2e
