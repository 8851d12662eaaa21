// The user's folders follow one rule: an empty or relative XDG value is ignored, and the home folder
// is $HOME when it is an absolute path to a folder, else there is none.

#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(UserFolders, NamedFoldersComeFromTheUsersListElseHome)
{
    const std::string home = At("home");
    fs::create_directories(home + "/.config");
    fs::create_directories(home + "/Bilder");
    fs::create_directories(At("elsewhere"));
    const ScopedEnv homeVariable("HOME", home);
    const ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(UserNamedFolder("PICTURES"), home) << "no list yet";
    Put(home + "/.config/user-dirs.dirs", "# written by the desktop\nXDG_PICTURES_DIR=\"$HOME/Bilder/\"\n"
                                          "XDG_DOCUMENTS_DIR=\"" +
                                              At("elsewhere") +
                                              "\"\n"
                                              "XDG_MUSIC_DIR=\"$HOME/Musik\"\nXDG_VIDEOS_DIR=relative\n");
    EXPECT_EQ(UserNamedFolder("PICTURES"), home + "/Bilder");
    EXPECT_EQ(UserNamedFolder("DOCUMENTS"), At("elsewhere"));
    EXPECT_EQ(UserNamedFolder("MUSIC"), home) << "a folder that does not exist";
    EXPECT_EQ(UserNamedFolder("VIDEOS"), home);
}

// The program installed for everyone: its folder is the administrator's, so the user's files go to the
// user's documents. Asked as an unprivileged user, since the tests may run as the administrator.
TEST_F(UserFolders, DefaultFilesFolderIsTheDocumentsFolderWhenTheProgramFolderIsNotWritable)
{
    // The test's own folder may be closed to other users: this one, in "/tmp", is open to them.
    std::string shared = "/tmp/qel-userfiles-XXXXXX";
    ASSERT_NE(::mkdtemp(shared.data()), nullptr);
    const std::string home = shared + "/home";
    const std::string program = shared + "/program";
    fs::create_directories(home + "/.config");
    fs::create_directories(home + "/Documents");
    fs::create_directories(program);
    Put(home + "/.config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
    fs::permissions(shared, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const ScopedEnv homeVariable("HOME", home);
    const ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(DefaultFilesFolder(program + "/"), program) << "a folder this user may write to stays";

    const auto askedBy = [&](uid_t user) {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return std::string("no pipe");
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            if (::getuid() == user || (::setgid(user) == 0 && ::setuid(user) == 0)) {
                const std::string answer = DefaultFilesFolder(program + "/");
                [[maybe_unused]] const auto written = ::write(pipeEnds[1], answer.data(), answer.size());
            }
            ::_exit(0);
        }
        ::close(pipeEnds[1]);
        std::string answer;
        char buffer[512];
        for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
            answer.append(buffer, static_cast<std::size_t>(n));
        ::close(pipeEnds[0]);
        ::waitpid(child, nullptr, 0);
        return answer;
    };
    if (::geteuid() != 0)
        fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
    constexpr uid_t kNobody = 65534;
    EXPECT_EQ(askedBy(::geteuid() == 0 ? kNobody : ::getuid()), home + "/Documents");
    fs::remove_all(home + "/Documents");
    EXPECT_EQ(askedBy(::geteuid() == 0 ? kNobody : ::getuid()), home) << "no documents folder";
    fs::permissions(program, fs::perms::owner_all);
    fs::remove_all(shared);
}

}  // namespace
}  // namespace qel::platform::test
