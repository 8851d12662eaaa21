#include "platform/systemfolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/environment.h"

namespace qel::platform {

std::string ProgramFile()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string RunningProgramPath()
{
    // The file's own path when it still names this program: the processes started from it carry
    // its name, which people and tools look for.
    const std::string file = ProgramFile();
    struct stat named = {};
    struct stat running = {};
    if (!file.empty() && ::stat(file.c_str(), &named) == 0 && ::stat("/proc/self/exe", &running) == 0 &&
        named.st_dev == running.st_dev && named.st_ino == running.st_ino)
        return file;
    return "/proc/self/exe";
}

std::string ProgramFolder()
{
    std::filesystem::path exe = ProgramFile();
    if (exe.empty()) {
        std::error_code ec;
        exe = std::filesystem::current_path(ec) / "QelSaver";
    }
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string SystemTempFolder()
{
    return EnvironmentOr("TMPDIR", "/tmp");
}

std::string SystemFolder()
{
    return EnvironmentOr("QELSAVER_SYSTEM_DIR", "/etc/qelsaver");
}

bool FolderWritable(const std::string& folder)
{
    // Replacing a file needs both: creating the new one and passing through the folder.
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace qel::platform
