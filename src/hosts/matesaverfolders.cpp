#include "hosts/matesaverfolders.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/environment.h"

namespace qel::hosts {

std::vector<std::string> MateSaverFolders()
{
    // A system whose MATE was built with other folders names them, ':' between them.
    const std::string given = platform::Environment("QELSAVER_MATE_SAVER_FOLDERS");
    if (given.empty())
        return {"/usr/lib/mate-screensaver/mate-screensaver", "/usr/libexec/xscreensaver", "/usr/lib/xscreensaver"};
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= given.size()) {
        const std::size_t end = std::min(given.find(':', start), given.size());
        if (end > start)
            folders.push_back(given.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

std::string MateSaverCommandName(const std::string& program, const std::vector<std::string>& folders)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_regular_file(program, ec))
        return {};
    for (const std::string& folder : folders) {
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            // The same file, however it is reached: the installed program is often known by a link's path.
            std::error_code same;
            if (fs::equivalent(it->path(), program, same))
                return it->path().filename().string();
        }
        ec.clear();
    }
    return {};
}

}  // namespace qel::hosts
