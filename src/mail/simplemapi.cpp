#include "mail/simplemapi.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "platform/process.h"
#include "platform/userfolders.h"

namespace qel::mail {
namespace fs = std::filesystem;
namespace {

constexpr const char* kMailtoType = "x-scheme-handler/mailto";
constexpr int kDeepestEntry = 3;  // applications/<vendor>/<folder>/x.desktop at most
constexpr std::uintmax_t kLargestEntry = 1 << 20;

struct DesktopEntry {
    std::string name;
    std::string exec;
    std::string mimeTypes;
    std::string categories;
    bool hidden = false;
};

std::string Trim(std::string s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    const auto e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The unlocalised keys of the group [Desktop Entry].
DesktopEntry ReadDesktopEntry(const fs::path& path)
{
    DesktopEntry entry;
    std::ifstream in(path);
    bool inGroup = false;
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto eq = line.find('=');
        if (!inGroup || eq == std::string::npos)
            continue;
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (key == "Name")
            entry.name = value;
        else if (key == "Exec")
            entry.exec = value;
        else if (key == "MimeType")
            entry.mimeTypes = value;
        else if (key == "Categories")
            entry.categories = value;
        else if (key == "Hidden")
            entry.hidden = value == "true";
    }
    return entry;
}

bool ListHas(const std::string& list, const std::string& item)
{
    return (";" + list + ";").find(";" + item + ";") != std::string::npos;
}

// The program an Exec line runs: its first word, quotes taken off.
std::string ProgramOf(const std::string& exec)
{
    if (!exec.empty() && exec[0] == '"') {
        const auto close = exec.find('"', 1);
        return exec.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return exec.substr(0, exec.find_first_of(" \t"));
}

std::vector<fs::path> ApplicationFolders()
{
    std::vector<fs::path> folders;
    if (const std::string data = platform::UserDataFolder(); !data.empty())
        folders.push_back(fs::path(data) / "applications");
    for (const std::string& data : platform::SystemDataFolders())
        folders.push_back(fs::path(data) / "applications");
    return folders;
}

// Desktop entries by id ("vendor-name.desktop" for vendor/name.desktop), the first folder winning.
void CollectEntries(const fs::path& folder, std::set<std::string>& seen,
                    std::vector<std::pair<std::string, fs::path>>& found)
{
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (it.depth() >= kDeepestEntry)
            it.disable_recursion_pending();
        if (it->path().extension() != ".desktop" || !it->is_regular_file(ec))
            continue;
        if (fs::file_size(it->path(), ec) > kLargestEntry)
            continue;
        std::string id = fs::relative(it->path(), folder, ec).string();
        for (char& c : id) {
            if (c == '/')
                c = '-';
        }
        if (seen.insert(id).second)
            found.emplace_back(id, it->path());
    }
}

std::string DefaultMailtoHandler()
{
    const auto r = platform::RunCommand({"xdg-mime", "query", "default", kMailtoType});
    return r && r->exitCode == 0 ? Trim(r->output) : std::string();
}

}  // namespace

TSimpleMapi::TSimpleMapi()
{
    if (auto xdgEmail = platform::FindOnPath("xdg-email"))
        xdgEmail_ = *xdgEmail;
    const std::string defaultId = DefaultMailtoHandler();
    std::set<std::string> seen;
    std::vector<std::pair<std::string, fs::path>> entries;
    for (const fs::path& folder : ApplicationFolders())
        CollectEntries(folder, seen, entries);
    for (const auto& [id, path] : entries) {
        const DesktopEntry e = ReadDesktopEntry(path);
        if (e.hidden || (!ListHas(e.mimeTypes, kMailtoType) && id != defaultId))
            continue;
        MailClient c;
        c.keyName = id;
        c.displayName = e.name.empty() ? id : e.name;
        c.libraryPath = ProgramOf(e.exec);
        c.valid = !c.libraryPath.empty() && platform::FindOnPath(c.libraryPath).has_value();
        c.webBrowser = ListHas(e.categories, "WebBrowser") || ListHas(e.mimeTypes, "x-scheme-handler/http") ||
                       ListHas(e.mimeTypes, "x-scheme-handler/https");
        if (id == defaultId)
            defaultClient_ = int(clients_.size());
        anyClient_ = anyClient_ || c.valid;
        clients_.push_back(std::move(c));
    }
    selectedClient_ = defaultClient_;
    anyClient_ = anyClient_ && SimpleMapiInstalled();
}

}  // namespace qel::mail
