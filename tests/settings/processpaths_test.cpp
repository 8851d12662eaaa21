// Where the settings files live: beside the program when the user may write there, else in the
// user's own configuration folder, which starts from a copy of the program folder's settings.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "settings/processpaths.h"
#include "settings/saversettings.h"

using namespace qel::settings;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class SettingsFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() /
                (std::string("qel-settings-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "program");
        fs::create_directories(root_ / "home");
    }
    void TearDown() override { fs::remove_all(root_); }

    static void Put(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    [[nodiscard]] std::string Program() const { return (root_ / "program").string() + "/"; }

    fs::path root_;
};

}  // namespace

TEST_F(SettingsFolder, WritableProgramFolderKeepsTheSettingsBesideTheProgram)
{
    Put(root_ / "program" / kSettingsFileName, "[Path]\r\nAppPath=/apps/saver\r\n");
    const ScopedEnv config("XDG_CONFIG_HOME", (root_ / "config").string());
    EXPECT_EQ(InitProcessPaths(Program()), "");
    EXPECT_EQ(SetupFilePath(), Program() + kSettingsFileName);
    EXPECT_EQ(PreviewFilePath(), Program() + kPreviewFileName);
    EXPECT_EQ(Process().appPath, "/apps/saver/");
    EXPECT_FALSE(fs::exists(root_ / "config")) << "nothing is made in the user's folder";
}

TEST_F(SettingsFolder, UserFolderStartsFromTheDefaultAndKeepsTheUsersOwnAfterwards)
{
    const std::string defaults = "[Options]\r\nInterval=7\r\n";
    Put(root_ / "program" / kSettingsFileName, defaults);
    const ScopedEnv config("XDG_CONFIG_HOME", (root_ / "config").string());
    const fs::path own = root_ / "config" / "qelsaver" / kSettingsFileName;

    std::string problem;
    EXPECT_EQ(PrepareUserSettingsFolder(Program(), &problem), (root_ / "config" / "qelsaver").string() + "/");
    EXPECT_EQ(problem, "");
    EXPECT_EQ(Read(own), defaults);
    EXPECT_EQ(std::distance(fs::directory_iterator(own.parent_path()), fs::directory_iterator()), 1)
        << "nothing but the settings file is left there";

    // The user's changes survive the next start; a changed default does not reach them.
    const std::string mine = "[Options]\r\nInterval=99\r\n";
    Put(own, mine);
    Put(root_ / "program" / kSettingsFileName, "[Options]\r\nInterval=1\r\n");
    (void)PrepareUserSettingsFolder(Program());
    EXPECT_EQ(Read(own), mine);
}

TEST_F(SettingsFolder, ConfigurationFolderFollowsTheDesktopRules)
{
    Put(root_ / "program" / kSettingsFileName, "x");
    const ScopedEnv home("HOME", (root_ / "home").string());
    {
        // A relative XDG_CONFIG_HOME is not valid and is ignored.
        const ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(PrepareUserSettingsFolder(Program()), (root_ / "home" / ".config" / "qelsaver").string() + "/");
    }
    const ScopedEnv config("XDG_CONFIG_HOME", "");
    EXPECT_EQ(PrepareUserSettingsFolder(Program()), (root_ / "home" / ".config" / "qelsaver").string() + "/");
    EXPECT_TRUE(fs::exists(root_ / "home" / ".config" / "qelsaver" / kSettingsFileName));
}

TEST_F(SettingsFolder, WithoutADefaultOrAUsableFolderNothingIsMadeUp)
{
    // No default beside the program: the user's folder stays empty, so start-up reports the missing
    // settings file there.
    {
        const ScopedEnv config("XDG_CONFIG_HOME", (root_ / "config").string());
        EXPECT_EQ(PrepareUserSettingsFolder(Program()), (root_ / "config" / "qelsaver").string() + "/");
        EXPECT_FALSE(fs::exists(root_ / "config" / "qelsaver" / kSettingsFileName));
    }
    // A folder that cannot be made: the settings beside the program are read, and the cause is told.
    Put(root_ / "program" / kSettingsFileName, "x");
    Put(root_ / "blocked", "a file where the folder should be");
    const ScopedEnv config("XDG_CONFIG_HOME", (root_ / "blocked").string());
    std::string problem;
    EXPECT_EQ(PrepareUserSettingsFolder(Program(), &problem), Program());
    EXPECT_NE(problem.find((root_ / "blocked").string()), std::string::npos) << problem;
}
