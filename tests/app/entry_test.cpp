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
