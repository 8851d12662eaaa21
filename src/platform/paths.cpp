#include "paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qel::platform {
namespace {

std::string EnvOr(const char* name, const char* fallback)
{
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : std::string(fallback);
}

}  // namespace

std::string ProgramFolder()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::current_path(ec) / "QelSaver";
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string SystemTempFolder()
{
    return EnvOr("TMPDIR", "/tmp");
}

std::string RuntimeFolder()
{
    const char* v = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    if (v && *v && std::filesystem::is_directory(v, ec))
        return v;
    return SystemTempFolder();
}

std::string SystemFolder()
{
    return EnvOr("QELSAVER_SYSTEM_DIR", "/etc/qelsaver");
}

std::string UserConfigFolder()
{
    // A relative value is invalid by the XDG rules and must be ignored.
    if (const char* v = std::getenv("XDG_CONFIG_HOME"); v && v[0] == '/')
        return v;
    std::string home;
    if (const char* v = std::getenv("HOME"); v && *v)
        home = v;
    else if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && *pw->pw_dir)
        home = pw->pw_dir;
    if (home.empty())
        return {};
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return (home == "/" ? "" : home) + "/.config";
}

bool FolderWritable(const std::string& folder)
{
    // Replacing a file needs both: creating the new one and passing through the folder.
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace qel::platform
