// A package made by the real tool from the real prepared files, installed for a user with a home of
// its own (a clean account): the installed saver shows the sender's picture on a private X server,
// and the uninstaller leaves no trace. A damaged package is refused and writes nothing.

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "imaging/picturewriter.h"
#include "settings/saversettings.h"
#include "x11harness.h"

namespace qel::e2e {
namespace {
namespace fs = std::filesystem;

constexpr int kScreenW = 320;
constexpr int kScreenH = 240;
constexpr raster::Color kRed = 0x000000FF;  // 0x00BBGGRR

std::vector<std::string> Tree(const fs::path& folder)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        out.push_back(fs::relative(it->path(), folder).string());
    return out;
}

class PackageE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(screen_.Ok()) << "could not start Xvfb";
        root_ = fs::path(sender_.Folder());
        fs::create_directories(root_ / "home");
        fs::create_directories(root_ / "hosts");
        fs::create_directories(root_ / "tmp");
        // The session's screen-saver host, as far as the installer asks: XScreenSaver, running (one
        // that is not would give way to the idle service, which an install starts).
        for (const char* name : {"xscreensaver", "xscreensaver-command"}) {
            std::ofstream(root_ / "hosts" / name) << "#!/bin/sh\nexit 0\n";
            fs::permissions(root_ / "hosts" / name, fs::perms::owner_all);
        }
        raster::Bitmap red(64, 48);
        red.Fill(red.Bounds(), kRed);
        imaging::WritePicture((root_ / "red.bmp").string(), red);
        fs::copy_file(fs::path(QEL_TEST_DATA_DIR) / "audio" / "tone.mp3", root_ / "tone.mp3");
        settings::SaverSettings s;
        s.imageSize = 1;
        s.interval = 60;
        s.transSetup = "1";
        s.images = {(root_ / "red.bmp").string()};
        s.sounds = {(root_ / "tone.mp3").string()};
        settings::SaveSettings((root_ / "settings.dat").string(), s);
    }

    std::vector<std::string> UserEnv() const
    {
        return {"HOME=" + (root_ / "home").string(),
                "XDG_DATA_HOME=", "XDG_CURRENT_DESKTOP=", "PATH=" + (root_ / "hosts").string() + ":/usr/bin:/bin",
                "TMPDIR=" + (root_ / "tmp").string()};
    }

    std::string Build(const std::string& out)
    {
        std::string output;
        EXPECT_EQ(RunToEnd({std::string(QEL_BIN_DIR) + "/qelsaver-tool", "package", "build",
                            (root_ / "settings.dat").string(), "Red Room", out},
                           {"TMPDIR=" + (root_ / "tmp").string()}, &output),
                  0)
            << output;
        return out;
    }

    VirtualScreen screen_{kScreenW, kScreenH};
    SaverInstall sender_;
    fs::path root_;
};

TEST_F(PackageE2E, InstallsOnACleanAccountShowsThePicturesAndUninstallsWithoutATrace)
{
    const std::string package = Build((root_ / "setup.run").string());
    std::string output;
    ASSERT_EQ(RunToEnd({package, "--quiet", "--activate"}, UserEnv(), &output), 0) << output;
    const fs::path saver = root_ / "home" / ".local/share/qelsaver/savers/Red_Room";
    ASSERT_TRUE(fs::is_regular_file(saver / "Red_Room.scr")) << output;
    EXPECT_TRUE(fs::is_regular_file(saver / "Sounds" / "tone.mp3"));
    std::ifstream prefs(root_ / "home" / ".xscreensaver");
    const std::string hostFile((std::istreambuf_iterator<char>(prefs)), std::istreambuf_iterator<char>());
    EXPECT_NE(hostFile.find((saver / "Red_Room.scr").string() + " --root"), std::string::npos)
        << "made the active screen saver";

    {
        SaverProcess show((saver / "Red_Room.scr").string(), sender_, screen_, {"/s"}, UserEnv());
        raster::Bitmap red(kScreenW, kScreenH);
        red.Fill(red.Bounds(), kRed);
        EXPECT_TRUE(WaitUntil([&] { return DifferingPixels(screen_.Grab(), red) == 0; })) << show.Output();
    }

    ASSERT_EQ(RunToEnd({(saver / "Uninstall.exe").string(), "--quiet"}, UserEnv(), &output), 0) << output;
    EXPECT_EQ(Tree(root_ / "home"), std::vector<std::string>{}) << output;
}

// A desktop that runs no screen-saver program: the saver's own idle service is started and added to
// the session's programs, and the uninstaller ends it and takes the entry away without a trace.
TEST_F(PackageE2E, WithoutAScreenSaverProgramTheIdleServiceRunsItUntilTheUninstall)
{
    const std::string package = Build((root_ / "setup.run").string());
    std::vector<std::string> env = UserEnv();
    env[3] = "PATH=/usr/bin:/bin";  // the real hosts of this machine: none runs here
    env.push_back("DISPLAY=" + screen_.Display());
    env.push_back("XDG_RUNTIME_DIR=" + (root_ / "tmp").string());
    env.push_back("XDG_CONFIG_HOME=");
    std::string output;
    ASSERT_EQ(RunToEnd({package, "--quiet", "--activate"}, env, &output), 0) << output;
    const std::string saver = (root_ / "home" / ".local/share/qelsaver/savers/Red_Room/Red_Room.scr").string();
    const fs::path entry = root_ / "home" / ".config/autostart/qelsaver-idle.desktop";
    std::ifstream in(entry);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\nExec=" + saver + " --idle-service\n"), std::string::npos) << output;
    const auto serviceRuns = [&] {
        return RunToEnd({"pgrep", "-f", "-x", saver + " --idle-service"}, {}, nullptr) == 0;
    };
    EXPECT_TRUE(WaitUntil(serviceRuns)) << output;

    ASSERT_EQ(RunToEnd({(fs::path(saver).parent_path() / "Uninstall.exe").string(), "--quiet"}, env, &output), 0)
        << output;
    EXPECT_FALSE(serviceRuns()) << "the service of a saver taken away ends";
    EXPECT_EQ(Tree(root_ / "home"), std::vector<std::string>{}) << output;
}

TEST_F(PackageE2E, ADamagedPackageIsRefusedAndWritesNothing)
{
    const std::string package = Build((root_ / "setup.run").string());
    fs::resize_file(package, fs::file_size(package) - 1000);
    std::string output;
    EXPECT_EQ(RunToEnd({package, "--quiet"}, UserEnv(), &output), 1);
    EXPECT_NE(output.find("damaged"), std::string::npos) << output;
    EXPECT_EQ(RunToEnd({package, "--check"}, UserEnv(), &output), 1);
    EXPECT_EQ(Tree(root_ / "home"), std::vector<std::string>{});
}

TEST_F(PackageE2E, TheCheckRefusesWhatTheInstallRefusesAndEveryFailedStepSaysSo)
{
    const std::string package = Build((root_ / "setup.run").string());
    std::string output;
    // A folder of the user's is no target: the check says so as the install does.
    fs::create_directories(root_ / "home" / "Work");
    std::ofstream(root_ / "home" / "Work" / "thesis.odt") << "chapter one";
    const std::string work = (root_ / "home" / "Work").string();
    EXPECT_EQ(RunToEnd({package, "--check", "--target", work}, UserEnv(), &output), 1) << output;
    EXPECT_EQ(RunToEnd({package, "--quiet", "--target", work}, UserEnv(), &output), 1) << output;

    // No home folder: refused, with nothing written anywhere.
    std::vector<std::string> noHome = UserEnv();
    noHome[0] = "HOME=";
    EXPECT_EQ(RunToEnd({package, "--quiet"}, noHome, &output), 1);
    EXPECT_NE(output.find("HOME is not set"), std::string::npos) << output;

    // Installed, but the host's file is a link to nothing, which is never followed to make a file:
    // that step failed, and the exit says so.
    fs::create_symlink(root_ / "dotfiles" / "xscreensaver", root_ / "home" / ".xscreensaver");
    EXPECT_EQ(RunToEnd({package, "--quiet", "--activate"}, UserEnv(), &output), 1) << output;
    EXPECT_FALSE(fs::exists(root_ / "dotfiles"));
    EXPECT_TRUE(fs::is_regular_file(root_ / "home" / ".local/share/qelsaver/savers/Red_Room/Red_Room.scr"));
    EXPECT_EQ(Tree(root_ / "home" / "Work").size(), 1u);
}

}  // namespace
}  // namespace qel::e2e
