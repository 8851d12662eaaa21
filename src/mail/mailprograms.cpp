#include "mail/mailprograms.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <system_error>

#include "base/desktopentry.h"
#include "platform/process.h"
#include "platform/userfolders.h"

namespace qel::mail {
namespace fs = std::filesystem;
namespace {

constexpr const char* kMailtoType = "x-scheme-handler/mailto";
constexpr int kDeepestEntry = 3;  // applications/<vendor>/<folder>/x.desktop at most
constexpr std::uintmax_t kLargestEntry = 1 << 20;

std::string Trim(std::string s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    const auto e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The keys of an entry's group [Desktop Entry]; none when it cannot be read.
std::map<std::string, std::string> ReadDesktopEntryFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return base::ReadDesktopEntry(text);
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
        auto keys = ReadDesktopEntryFile(path);
        const std::string& mimeTypes = keys["MimeType"];
        if (keys["Hidden"] == "true" || (!base::DesktopListHas(mimeTypes, kMailtoType) && id != defaultId))
            continue;
        MailClient c;
        c.desktopEntryId = id;
        c.displayName = keys["Name"].empty() ? id : keys["Name"];
        c.program = base::ExecProgram(keys["Exec"]);
        c.valid = !c.program.empty() && platform::FindOnPath(c.program).has_value();
        c.webBrowser = base::DesktopListHas(keys["Categories"], "WebBrowser") ||
                       base::DesktopListHas(mimeTypes, "x-scheme-handler/http") ||
                       base::DesktopListHas(mimeTypes, "x-scheme-handler/https");
        if (id == defaultId)
            defaultClient_ = int(clients_.size());
        anyClient_ = anyClient_ || c.valid;
        clients_.push_back(std::move(c));
    }
    selectedClient_ = defaultClient_;
    anyClient_ = anyClient_ && SimpleMapiInstalled();
}

}  // namespace qel::mail
