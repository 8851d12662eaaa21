#include "paths.h"

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

}  // namespace qel::platform
