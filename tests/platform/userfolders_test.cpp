// The user's folders follow one rule: an empty or relative XDG value is ignored, and the home folder
// is $HOME when it is an absolute path to a folder, else there is none.

#include <filesystem>

#include "platform/userfolders.h"
#include "scratchfolder.h"

namespace qel::platform::test {
namespace {

using UserFolders = ScratchFolder;

TEST_F(UserFolders, OnlyAbsoluteValuesCount)
{
    const std::string home = At("home");
    std::filesystem::create_directory(home);
    const ScopedEnv homeVariable("HOME", home + "/");
    {
        const ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
        const ScopedEnv data("XDG_DATA_HOME", "");
        const ScopedEnv state("XDG_STATE_HOME", std::nullopt);
        const ScopedEnv runtime("XDG_RUNTIME_DIR", ".");
        EXPECT_EQ(HomeFolder(), home);
        EXPECT_EQ(UserConfigFolder(), home + "/.config");
        EXPECT_EQ(UserDataFolder(), home + "/.local/share");
        EXPECT_EQ(UserStateFolder(), home + "/.local/state");
        EXPECT_NE(UserRuntimeFolder(), ".");
    }
    const ScopedEnv config("XDG_CONFIG_HOME", "/somewhere/config/");
    const ScopedEnv data("XDG_DATA_HOME", "/somewhere/data");
    const ScopedEnv state("XDG_STATE_HOME", "/somewhere/state");
    const ScopedEnv runtime("XDG_RUNTIME_DIR", root_.string());
    EXPECT_EQ(UserConfigFolder(), "/somewhere/config");
    EXPECT_EQ(UserDataFolder(), "/somewhere/data");
    EXPECT_EQ(UserStateFolder(), "/somewhere/state");
    EXPECT_EQ(UserRuntimeFolder(), root_.string());
}

TEST_F(UserFolders, WithoutAUsableHomeVariableThereIsNoHomeFolder)
{
    const ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    for (const auto& value : {std::optional<std::string>(), std::optional<std::string>("relative"),
                              std::optional<std::string>(At("not-made"))}) {
        const ScopedEnv homeVariable("HOME", value);
        EXPECT_EQ(HomeFolder(), "");
        EXPECT_EQ(UserDataFolder(), "") << "never a folder under \"/\"";
    }
    const ScopedEnv homeVariable("HOME", std::nullopt);
    const ScopedEnv absolute("XDG_DATA_HOME", "/somewhere/data");
    EXPECT_EQ(UserDataFolder(), "/somewhere/data");
}

TEST(SystemDataFolders, KeepOnlyAbsoluteEntriesElseTheDefaults)
{
    const auto folders = [](const std::optional<std::string>& value) {
        const ScopedEnv dirs("XDG_DATA_DIRS", value);
        return SystemDataFolders();
    };
    const std::vector<std::string> defaults{"/usr/local/share", "/usr/share"};
    EXPECT_EQ(folders("relative::/a/:/b"), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_EQ(folders(std::nullopt), defaults);
    EXPECT_EQ(folders(""), defaults);
    EXPECT_EQ(folders("relative"), defaults);
}

}  // namespace
}  // namespace qel::platform::test
