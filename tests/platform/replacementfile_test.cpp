// Replacing a file the user has: a link keeps pointing where it did, the file keeps its permission
// bits, and a write that cannot finish (a full disk, the file-size limit) leaves the old file whole
// and nothing beside it.

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "platform/files.h"
#include "scratchfolder.h"

namespace qel::platform::test {
namespace {

using ReplacingAFile = ScratchFolder;

mode_t Permissions(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs `body` in a child process, so that a mount or a limit stays there. Its exit code.
int InChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        std::_Exit(body());
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

constexpr int kCannotSetUp = 77;

// Writes far more than fits over `folder`/file, which holds "old": 0 when the write is refused with
// an error that names the file and everything is as it was; else the number of the first check
// that failed.
int RefusedWithoutTrace(const std::string& folder)
{
    const std::string file = folder + "/file";
    Put(file, "old");
    if (Read(file) != "old")
        return kCannotSetUp;
    try {
        WriteFileAtomically(file, std::string(1 << 20, 'x'));
        return 1;
    } catch (const std::runtime_error& e) {
        if (std::string(e.what()).find(file) == std::string::npos)
            return 2;
    }
    if (Read(file) != "old")
        return 3;
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++entries;
    return entries == 1 ? 0 : 4;
}

TEST_F(ReplacingAFile, ALinkStaysALinkAndTheFileKeepsItsPermissions)
{
    Put(At("target"), "old");
    ::chmod(At("target").c_str(), 0640);
    fs::create_symlink("target", At("link"));
    WriteFileAtomically(At("link"), "new");
    EXPECT_TRUE(fs::is_symlink(At("link")));
    EXPECT_EQ(fs::read_symlink(At("link")), "target");
    EXPECT_EQ(Read(At("target")), "new");
    EXPECT_EQ(Permissions(At("target")), 0640u);

    // A link to nothing yet: the file is made where it points.
    fs::create_directories(root_ / "sub");
    fs::create_symlink("sub/made", At("dangling"));
    WriteFileAtomically(At("dangling"), "made");
    EXPECT_TRUE(fs::is_symlink(At("dangling")));
    EXPECT_EQ(Read(At("sub/made")), "made");

    // A private file stays private, whatever the umask would give a new one.
    Put(At("private"), "old");
    ::chmod(At("private").c_str(), 0600);
    WriteFileAtomically(At("private"), "new");
    EXPECT_EQ(Read(At("private")), "new");
    EXPECT_EQ(Permissions(At("private")), 0600u);

    EXPECT_EQ(Names(root_), (std::vector<std::string>{"dangling", "link", "private", "sub", "target"}));
}

TEST_F(ReplacingAFile, AFullDiskOrTheSizeLimitLeavesTheOldFileWholeAndNothingBeside)
{
    fs::create_directories(root_ / "disk");
    const std::string disk = At("disk");
    // A tiny file system of its own, in a mount namespace of the child's own.
    const int full = InChild([&] {
        const int flags = CLONE_NEWNS | (::geteuid() == 0 ? 0 : CLONE_NEWUSER);
        if (::unshare(flags) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
            return kCannotSetUp;
        return RefusedWithoutTrace(disk);
    });
    if (full != kCannotSetUp) {
        EXPECT_EQ(full, 0) << "on a full disk";
    }
    fs::remove_all(root_ / "disk");
    fs::create_directories(root_ / "disk");
    const int limited = InChild([&] {
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 64 * 1024;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return kCannotSetUp;
        return RefusedWithoutTrace(disk);
    });
    EXPECT_EQ(limited, 0) << "beyond the file-size limit";
}

}  // namespace
}  // namespace qel::platform::test
