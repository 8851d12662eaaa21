// The real program, started from a folder of its own, as the system would start it.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class ProgramFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               (std::string("qel-entry-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file(fs::path(QEL_BIN_DIR) / "QelSaver", dir_ / "QelSaver");
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Put(const std::string& name, const std::string& text = "")
    {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    // Runs the copy with the given arguments; message boxes go to a log file. Returns the exit code.
    int Run(const std::string& args)
    {
        fs::remove(dir_ / "messages.log");
        std::string cmd = "cd '" + dir_.string() +
                          "' && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "
                          "QELSAVER_MESSAGE_LOG='" +
                          (dir_ / "messages.log").string() + "' ./QelSaver " + args + " >/dev/null 2>&1";
        int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Messages()
    {
        std::ifstream in(dir_ / "messages.log", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
};

}  // namespace

TEST_F(ProgramFolder, MissingSettingsFileIsReportedFirst)
{
    EXPECT_EQ(Run("/s"), 0);
    EXPECT_EQ(Messages(), "Missing config files\r\n\r\n\n--\n");
    // The checks come before the mode letter is looked at.
    EXPECT_EQ(Run("/x"), 0);
    EXPECT_EQ(Messages(), "Missing config files\r\n\r\n\n--\n");
    EXPECT_EQ(Run(""), 0);
    EXPECT_EQ(Messages(), "Missing config files\r\n\r\n\n--\n");
}

TEST_F(ProgramFolder, MissingDecoderLibraryIsReported)
{
    Put("QelSetup.dat", "[Options]\r\n");
    EXPECT_EQ(Run("/s"), 0);
    EXPECT_EQ(Messages(), "Missing Files\r\n\r\n\n--\n");
}

TEST_F(ProgramFolder, DecoderLibraryThatCannotBeLoadedCountsAsMissing)
{
    Put("QelSetup.dat", "[Options]\r\n");
    Put("QelMpegDll.dll", "this is not a library");
    EXPECT_EQ(Run("/s"), 0);
    EXPECT_EQ(Messages(), "Missing Files\r\n\r\n\n--\n");
}

TEST_F(ProgramFolder, HelpAndVersionAnswerBeforeAnyCheck)
{
    for (const char* what : {"--help", "--version"}) {
        EXPECT_EQ(Run(what), 0) << what;
        EXPECT_EQ(Messages(), "") << what;
    }
}

TEST_F(ProgramFolder, ArgumentWithoutDashOrSlashEndsSilently)
{
    EXPECT_EQ(Run("s"), 0);
    EXPECT_EQ(Messages(), "");
    EXPECT_EQ(Run("saver"), 0);
    EXPECT_EQ(Messages(), "");
}

TEST_F(ProgramFolder, UnknownModeAndPasswordModeEndQuietly)
{
    Put("QelSetup.dat", "[Options]\r\n");
    if (!fs::exists(fs::path(QEL_BIN_DIR) / "QelMpegDll.dll"))
        GTEST_SKIP() << "the decoder library is not built";
    fs::copy_file(fs::path(QEL_BIN_DIR) / "QelMpegDll.dll", dir_ / "QelMpegDll.dll",
                  fs::copy_options::overwrite_existing);
    EXPECT_EQ(Run("/x"), 0);
    EXPECT_EQ(Run("/a 1234"), 0);
    EXPECT_EQ(Run("/a:abc"), 0);
    EXPECT_EQ(Messages(), "");
}

TEST_F(ProgramFolder, UnderAHostStartupProblemsGoToTheErrorOutputNotToABox)
{
    // The host covers the screen and holds the keyboard and mouse: a message box would wait for a
    // click that cannot come. (The bound only ends a run that waits anyway.)
    const std::string cmd = "cd '" + dir_.string() +
                            "' && env -u QELSAVER_MESSAGE_LOG QT_QPA_PLATFORM=offscreen XSCREENSAVER_WINDOW=0x1234 "
                            "timeout 60 ./QelSaver --root 2>errors.log >/dev/null";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream in(dir_ / "errors.log", std::ios::binary);
    const std::string errors{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(errors.find("Missing config files"), std::string::npos) << errors;
}

TEST_F(ProgramFolder, TheIdleServiceSaysOnTheErrorOutputWhyItCannotRunAndFails)
{
    // It runs in the background: nobody would see a message box.
    const auto run = [this](const std::string& args, std::string* errors) {
        const std::string cmd = "cd '" + dir_.string() +
                                "' && env -u QELSAVER_MESSAGE_LOG -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE "
                                "QT_QPA_PLATFORM=offscreen timeout 60 ./QelSaver " +
                                args + " 2>errors.log >/dev/null";
        const int status = std::system(cmd.c_str());
        std::ifstream in(dir_ / "errors.log", std::ios::binary);
        *errors = std::string{std::istreambuf_iterator<char>(in), {}};
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string errors;
    EXPECT_EQ(run("--idle-service", &errors), 1);
    EXPECT_NE(errors.find("Missing config files"), std::string::npos) << errors;
    EXPECT_EQ(run("--idle-service --idle-after 0", &errors), 2);
    EXPECT_NE(errors.find("--idle-after"), std::string::npos) << errors;

    Put("QelSetup.dat", "[Options]\r\n");
    if (!fs::exists(fs::path(QEL_BIN_DIR) / "QelMpegDll.dll"))
        GTEST_SKIP() << "the decoder library is not built";
    fs::copy_file(fs::path(QEL_BIN_DIR) / "QelMpegDll.dll", dir_ / "QelMpegDll.dll",
                  fs::copy_options::overwrite_existing);
    // Windows could be drawn (offscreen), but nothing tells how long the user has been idle.
    EXPECT_EQ(run("--idle-service", &errors), 1);
    EXPECT_NE(errors.find("the idle service cannot run: no display to watch for idle time"), std::string::npos)
        << errors;
}
