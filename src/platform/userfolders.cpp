#include "platform/userfolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/environment.h"
#include "platform/systemfolders.h"

namespace qel::platform {
namespace {

bool IsAbsolute(const std::string& path)
{
    return !path.empty() && path.front() == '/';
}

// Without trailing slashes; "/" stays as it is.
std::string Trimmed(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The value of an XDG variable when it is usable, else the home folder + `underHome`.
std::string XdgFolder(const char* variable, const char* underHome)
{
    if (const std::string given = Environment(variable); IsAbsolute(given))
        return Trimmed(given);
    const std::string home = HomeFolder();
    if (home.empty())
        return {};
    return (home == "/" ? "" : home) + underHome;
}

bool IsFolder(const std::string& path)
{
    struct stat st = {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string HomeFolder()
{
    // Only what the session says: a program that guessed (the password database, "/") could write
    // into a folder the user never meant, and the installer and hosts refuse rather than guess.
    if (const std::string home = Environment("HOME"); IsAbsolute(home) && IsFolder(home))
        return Trimmed(home);
    return {};
}

std::string UserConfigFolder()
{
    return XdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string UserDataFolder()
{
    return XdgFolder("XDG_DATA_HOME", "/.local/share");
}

std::string UserStateFolder()
{
    return XdgFolder("XDG_STATE_HOME", "/.local/state");
}

std::vector<std::string> SystemDataFolders()
{
    std::vector<std::string> folders;
    std::istringstream list(Environment("XDG_DATA_DIRS"));
    for (std::string entry; std::getline(list, entry, ':');) {
        if (IsAbsolute(entry))
            folders.push_back(Trimmed(entry));
    }
    if (folders.empty())
        folders = {"/usr/local/share", "/usr/share"};
    return folders;
}

std::string UserNamedFolder(const std::string& name)
{
    const std::string home = HomeFolder();
    const std::string config = UserConfigFolder();
    if (config.empty())
        return home;
    // Lines of the form XDG_DOCUMENTS_DIR="$HOME/Documents" or ="/an/absolute/path"; the last one counts.
    std::ifstream file(config + "/user-dirs.dirs");
    const std::string key = "XDG_" + name + "_DIR=";
    std::string found;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            continue;
        value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
            if (home.empty())
                continue;
            value = home + value.substr(5);
        }
        if (IsAbsolute(value))
            found = Trimmed(value);
    }
    return IsFolder(found) ? found : home;
}

std::string DefaultFilesFolder(const std::string& programFolder)
{
    if (!programFolder.empty() && FolderWritable(programFolder))
        return Trimmed(programFolder);
    return UserNamedFolder("DOCUMENTS");
}

std::string UserRuntimeFolder()
{
    if (const std::string given = Environment("XDG_RUNTIME_DIR"); IsAbsolute(given) && IsFolder(given))
        return Trimmed(given);
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

}  // namespace qel::platform
