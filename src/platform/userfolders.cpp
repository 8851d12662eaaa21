#include "platform/userfolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace qel::platform {
namespace {

std::string Environment(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool IsFolder(const std::string& path)
{
    struct stat st = {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string UserRuntimeFolder()
{
    const std::string given = Environment("XDG_RUNTIME_DIR");
    if (IsFolder(given))
        return given;
    // Only a folder that is the user's own: anything else may be shared with other users.
    const std::string folder = "/run/user/" + std::to_string(::getuid());
    struct stat st = {};
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
        (st.st_mode & (S_IRWXG | S_IRWXO)) == 0)
        return folder;
    return {};
}

void RestoreRuntimeFolderVariable()
{
    if (!Environment("XDG_RUNTIME_DIR").empty())
        return;
    const std::string folder = UserRuntimeFolder();
    if (!folder.empty())
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

std::string UserStateFolder()
{
    const std::string state = Environment("XDG_STATE_HOME");
    if (!state.empty() && state.front() == '/')
        return state;
    const std::string home = Environment("HOME");
    if (home.empty() || home.front() != '/')
        return {};
    return home + (home.back() == '/' ? "" : "/") + ".local/state";
}

}  // namespace qel::platform
