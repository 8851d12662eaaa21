// The saver as screen-saver hosts run it: the real XScreenSaver starting it on a private X server,
// and the settings dialog's preview through "--window-id". XScreenSaver starts no saver for root,
// so when the tests run as root the host and the saver run as the unprivileged user "nobody", from
// a folder that user can read, with a home of its own.

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/fitpicture.h"
#include "imaging/picturewriter.h"
#include "settings/saversettings.h"
#include "x11harness.h"

namespace qel::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr raster::Color kBackground = 0x00306090;  // 0x00BBGGRR

bool OnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

raster::Bitmap Pattern(int w, int h, int seed)
{
    raster::Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, raster::Color(((x * 255 / w) << (seed * 8)) | ((y * 255 / h) << ((seed + 1) % 3 * 8))));
    return b;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The process has the file at `path` open (the MPEG player holds its sound file while it plays).
bool HasOpen(pid_t pid, const std::string& path)
{
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        std::error_code linkError;
        if (fs::read_symlink(fd.path(), linkError) == fs::path(path))
            return true;
    }
    return false;
}

void Stop(pid_t pid)
{
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// The user the host and the saver run as, and a folder of theirs: the programs in "bin", a home, a
// runtime and a temporary folder.
class HostUser {
public:
    HostUser()
    {
        std::string folder = "/tmp/qel-host-XXXXXX";  // below /tmp: the test's own TMPDIR is root's alone
        if (!mkdtemp(folder.data()))
            return;
        folder_ = folder;
        chmod(folder_.c_str(), 0755);
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody) {
                noUser_ = true;
                return;
            }
            uid_ = nobody->pw_uid;
            gid_ = nobody->pw_gid;
        } else {
            uid_ = geteuid();
            gid_ = getegid();
        }
        fs::create_directories(Path("bin"));
        for (const char* name : {"QelSaver", "QelMpegDll.dll", "qelsaver-tool"})
            fs::copy_file(fs::path(QEL_BIN_DIR) / name, Path("bin/") + name);
        for (const char* own : {"home", "run", "tmp"}) {
            fs::create_directories(Path(own));
            chmod(Path(own).c_str(), 0700);
            Own(Path(own));
        }
        ok_ = true;
    }
    ~HostUser()
    {
        std::error_code ec;
        if (!folder_.empty() && !std::getenv("QEL_E2E_KEEP"))
            fs::remove_all(folder_, ec);
    }

    [[nodiscard]] bool Ok() const { return ok_; }
    // Running as root on a system without the user "nobody".
    [[nodiscard]] bool NoUser() const { return noUser_; }
    [[nodiscard]] std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    [[nodiscard]] std::string Program() const { return Path("bin/QelSaver"); }
    void Own(const std::string& path) const
    {
        if (chown(path.c_str(), uid_, gid_) != 0)
            std::perror(path.c_str());
    }

    // argv as the user, in a clean environment of theirs (with `extraEnv` added).
    [[nodiscard]] std::vector<std::string> Command(const std::vector<std::string>& argv) const
    {
        std::vector<std::string> full;
        if (geteuid() == 0)
            full = {"setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_), "--clear-groups"};
        full.insert(full.end(), argv.begin(), argv.end());
        return full;
    }
    [[nodiscard]] std::vector<std::string> Environment(const VirtualScreen& screen,
                                                       const std::vector<std::string>& extraEnv = {}) const
    {
        std::vector<std::string> env{"PATH=/usr/local/bin:/usr/bin:/bin",
                                     "DISPLAY=" + screen.Display(),
                                     "HOME=" + Path("home"),
                                     "XDG_RUNTIME_DIR=" + Path("run"),
                                     "TMPDIR=" + Path("tmp"),
                                     "QELSAVER_AUDIO_SINK=null",
                                     "QT_QPA_PLATFORM=xcb",
                                     "LANG=C.UTF-8"};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        return WithoutPrivateBus(std::move(env));
    }
    pid_t Start(const VirtualScreen& screen, const std::vector<std::string>& argv, const std::string& log,
                const std::vector<std::string>& extraEnv = {}) const
    {
        return Spawn(Command(argv), Environment(screen, extraEnv), log);
    }
    // Runs argv as the user to its end; its exit code, -1 when it did not end.
    int Run(const VirtualScreen& screen, const std::vector<std::string>& argv, std::string* output = nullptr) const
    {
        const std::string log = Path("tmp/run-" + std::to_string(++runs_) + ".log");
        const pid_t pid = Start(screen, argv, log);
        int status = 0;
        const bool ended = pid > 0 && WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; });
        if (pid > 0 && !ended) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (output)
            *output = ReadAll(log);
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The processes running this folder's QelSaver (whoever started them).
    [[nodiscard]] int SaverProcesses() const
    {
        int n = 0;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator("/proc", ec)) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::error_code linkError;
            const fs::path exe = fs::read_symlink(entry.path() / "exe", linkError);
            n += !linkError && exe == fs::path(Program());
        }
        return n;
    }

private:
    std::string folder_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool ok_ = false;
    bool noUser_ = false;
    mutable int runs_ = 0;
};

class HostE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(screen_.Ok()) << "could not start Xvfb";
        if (user_.NoUser())
            GTEST_SKIP() << "the tests run as root, and there is no user \"nobody\" to run the host as";
        ASSERT_TRUE(user_.Ok()) << "could not prepare the folder of the unprivileged user";
        first_ = user_.Path("first.bmp");
        second_ = user_.Path("second.bmp");
        imaging::WritePicture(first_, Pattern(400, 200, 0));   // wide
        imaging::WritePicture(second_, Pattern(150, 300, 1));  // tall
        fs::copy_file(fs::path(QEL_TEST_DATA_DIR) / "audio" / "tone.mp3", user_.Path("tone.mp3"));
        for (const std::string& f : {first_, second_, user_.Path("tone.mp3")})
            chmod(f.c_str(), 0644);
        settings_.imageSize = 1;
        settings_.bgColor = std::int32_t(kBackground);
        settings_.interval = 1;
        settings_.duration = 0;
        settings_.transSetup = "1";  // style 0 only
        settings_.images = {first_, second_};
        settings_.sounds = {user_.Path("tone.mp3")};
    }

    void WriteSettings()
    {
        const std::string path = user_.Path("bin/") + settings::kSettingsFileName;
        settings::SaveSettings(path, settings_);
        chmod(path.c_str(), 0644);
    }

    bool Shows(const raster::Bitmap& expected, int x = 0, int y = 0)
    {
        return WaitUntil(
            [&] { return DifferingPixels(screen_.Grab(x, y, expected.Width(), expected.Height()), expected) == 0; });
    }

    raster::Bitmap Fitted(const std::string& picture, int w, int h)
    {
        return imaging::LoadFittedPicture(picture, w, h, true, kBackground);
    }

    VirtualScreen screen_{kScreenW, kScreenH, {"-ac"}};
    HostUser user_;
    settings::SaverSettings settings_;
    std::string first_, second_;
};

// The XScreenSaver daemon of the test's user on the test's screen, ended with the test.
class XScreenSaverDaemon {
public:
    XScreenSaverDaemon(const HostUser& user, const VirtualScreen& screen) : user_(user), screen_(screen)
    {
        log_ = user.Path("tmp/xscreensaver.log");
        pid_ = user.Start(screen, {"xscreensaver", "--no-splash"}, log_);
    }
    ~XScreenSaverDaemon()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    [[nodiscard]] bool Answers() const
    {
        return WaitUntil([&] { return user_.Run(screen_, {"xscreensaver-command", "-version"}) == 0; });
    }
    [[nodiscard]] bool Command(const std::string& what) const
    {
        return user_.Run(screen_, {"xscreensaver-command", what}) == 0;
    }
    [[nodiscard]] std::string Log() const { return ReadAll(log_); }

private:
    const HostUser& user_;
    const VirtualScreen& screen_;
    std::string log_;
    pid_t pid_ = -1;
};

TEST_F(HostE2E, XScreenSaverRunsTheSaverFullScreenResumesItAndStopsIt)
{
    for (const char* tool : {"xscreensaver", "xscreensaver-command"}) {
        if (!OnPath(tool))
            GTEST_SKIP() << tool << " is not installed (Debian package \"xscreensaver\")";
    }
    if (geteuid() == 0 && !OnPath("setpriv"))
        GTEST_SKIP() << "setpriv is needed to run XScreenSaver as an unprivileged user";

    // One picture per run (an interval of 0 never brings the next), with music.
    settings_.interval = 0;
    WriteSettings();
    // The user's own preferences: no fading, no lock, never by itself. The install keeps them.
    const std::string prefs = user_.Path("home/.xscreensaver");
    std::ofstream(prefs) << "timeout: 1:00:00\ncycle: 0:00:00\nlock: False\nfade: False\nunfade: False\n"
                            "splash: False\ndpmsEnabled: False\n";
    user_.Own(prefs);

    XScreenSaverDaemon daemon(user_, screen_);
    ASSERT_TRUE(daemon.Answers()) << daemon.Log();
    std::string output;
    ASSERT_EQ(user_.Run(screen_, {user_.Path("bin/qelsaver-tool"), "install-saver", user_.Program(), "--title", "Qel"},
                        &output),
              0)
        << output;
    EXPECT_NE(output.find("XScreenSaver"), std::string::npos) << output;
    EXPECT_NE(ReadAll(prefs).find("lock:"), std::string::npos) << "the user's own settings stay";

    const raster::Bitmap firstFullScreen = Fitted(first_, kScreenW, kScreenH);
    const raster::Bitmap secondFullScreen = Fitted(second_, kScreenW, kScreenH);
    ASSERT_EQ(firstFullScreen.Pixel(5, 5), kBackground);  // 640 x 320 at y = 80
    ASSERT_NE(firstFullScreen.Pixel(5, 80), kBackground);

    ASSERT_TRUE(daemon.Command("-activate"));
    EXPECT_TRUE(Shows(firstFullScreen)) << daemon.Log();
    EXPECT_EQ(user_.SaverProcesses(), 1);
    ASSERT_TRUE(daemon.Command("-deactivate"));
    EXPECT_TRUE(WaitUntil([&] { return user_.SaverProcesses() == 0; })) << "the saver must end with the host's signal";

    // Started again, the show goes on with the picture after the one it showed last.
    ASSERT_TRUE(daemon.Command("-activate"));
    EXPECT_TRUE(Shows(secondFullScreen)) << daemon.Log();
    ASSERT_TRUE(daemon.Command("-deactivate"));
    EXPECT_TRUE(WaitUntil([&] { return user_.SaverProcesses() == 0; }));
}

TEST_F(HostE2E, SettingsDialogPreviewFitsEveryPictureFollowsItsWindowAndEndsOnTheSignal)
{
    // "Original" size in the settings: the small preview still shows each picture whole.
    settings_.imageSize = 0;
    WriteSettings();
    const xcb_window_t dialog = screen_.CreateWindow(40, 30, 200, 150);
    char id[32];
    std::snprintf(id, sizeof id, "0x%x", unsigned(dialog));
    const std::string log = user_.Path("tmp/preview.log");
    const pid_t saver = user_.Start(screen_, {user_.Program(), "--root", "--window-id", id}, log);
    ASSERT_GT(saver, 0);
    EXPECT_TRUE(Shows(Fitted(first_, 200, 150), 40, 30)) << ReadAll(log);

    // The dialog grows: the next picture is made for the new size.
    screen_.ResizeWindow(dialog, 300, 220);
    EXPECT_TRUE(Shows(Fitted(second_, 300, 220), 40, 30)) << ReadAll(log);

    // The host's stop signal ends it by itself, cleanly (not killed by the signal).
    ASSERT_EQ(kill(saver, SIGTERM), 0);
    int status = 0;
    ASSERT_TRUE(WaitUntil([&] { return waitpid(saver, &status, WNOHANG) == saver; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadAll(log);
}

TEST_F(HostE2E, OneProcessOfAHostPlaysTheMusicAndAnotherTakesOverWhenItGoes)
{
    const std::string sound = user_.Path("long.mp3");
    fs::copy_file(fs::path(QEL_TEST_DATA_DIR) / "audio" / "long.mp3", sound);
    chmod(sound.c_str(), 0644);
    settings_.sounds = {sound};
    WriteSettings();
    // Two monitors' covers, and a settings dialog's preview.
    std::vector<pid_t> covers;
    for (int i = 0; i < 2; ++i) {
        const xcb_window_t w = screen_.CreateWindow(0, 0, kScreenW, kScreenH);
        covers.push_back(user_.Start(screen_, {user_.Program(), "--root"}, user_.Path("tmp/cover.log"),
                                     {"XSCREENSAVER_WINDOW=" + std::to_string(w)}));
    }
    const xcb_window_t dialog = screen_.CreateWindow(10, 10, 200, 150);
    const pid_t preview =
        user_.Start(screen_, {user_.Program(), "--window-id", std::to_string(dialog)}, user_.Path("tmp/preview.log"));
    const auto plays = [&](pid_t p) { return HasOpen(p, sound); };

    ASSERT_TRUE(WaitUntil([&] { return plays(covers[0]) || plays(covers[1]); }))
        << ReadAll(user_.Path("tmp/cover.log"));
    EXPECT_FALSE(plays(covers[0]) && plays(covers[1])) << "the music plays once";
    const int leader = plays(covers[0]) ? 0 : 1;
    // The leader's monitor goes: the other process plays on.
    kill(covers[std::size_t(leader)], SIGKILL);
    waitpid(covers[std::size_t(leader)], nullptr, 0);
    EXPECT_TRUE(WaitUntil([&] { return plays(covers[std::size_t(1 - leader)]); }));
    EXPECT_FALSE(plays(preview)) << "a preview is silent";
    Stop(covers[std::size_t(1 - leader)]);
    Stop(preview);
}

TEST_F(HostE2E, TheSaverEndsWithTheHostsWindow)
{
    WriteSettings();
    const xcb_window_t cover = screen_.CreateWindow(0, 0, kScreenW, kScreenH);
    const std::string log = user_.Path("tmp/cover.log");
    const pid_t saver =
        user_.Start(screen_, {user_.Program(), "-root"}, log, {"XSCREENSAVER_WINDOW=" + std::to_string(cover)});
    ASSERT_GT(saver, 0);
    EXPECT_TRUE(Shows(Fitted(first_, kScreenW, kScreenH))) << ReadAll(log);
    screen_.DestroyWindow(cover);
    int status = 0;
    ASSERT_TRUE(WaitUntil([&] { return waitpid(saver, &status, WNOHANG) == saver; })) << ReadAll(log);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadAll(log);
}

}  // namespace
}  // namespace qel::e2e
