// The user's folders follow one rule: an empty or relative XDG value is ignored, and the home folder
// is $HOME when it is absolute, else the password database's.

#include <pwd.h>
#include <unistd.h>

#include "platform/userfolders.h"
#include "scratchfolder.h"

namespace qel::platform::test {
namespace {

using UserFolders = ScratchFolder;

TEST_F(UserFolders, OnlyAbsoluteValuesCount)
{
    const std::string home = At("home");
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

TEST_F(UserFolders, WithoutAUsableHomeVariableThePasswordDatabaseTells)
{
    const passwd* pw = ::getpwuid(::geteuid());
    ASSERT_TRUE(pw && pw->pw_dir && pw->pw_dir[0] == '/');
    std::string home = pw->pw_dir;
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    const ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    for (const auto& value : {std::optional<std::string>(), std::optional<std::string>("relative")}) {
        const ScopedEnv homeVariable("HOME", value);
        EXPECT_EQ(HomeFolder(), home);
        EXPECT_EQ(UserDataFolder(), (home == "/" ? "" : home) + "/.local/share");
    }
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
