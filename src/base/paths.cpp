#include "base/paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "base/text.h"

namespace qel::base {

namespace fs = std::filesystem;

std::string AddTrailingSlash(const std::string& path)
{
    if (path.empty() || path.back() == '/')
        return path;
    return path + '/';
}

bool FolderExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

bool MakeFolderPath(const std::string& input)
{
    if (input.empty())
        throw std::runtime_error("Unable to create directory");
    std::string path = input;
    if (path.back() == '/')
        path.pop_back();
    if (path.empty() || FolderExists(path))
        return true;
    size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
        std::string parent = path.substr(0, slash + 1);
        if (!MakeFolderPath(parent))
            return false;
    }
    std::error_code ec;
    return fs::create_directory(path, ec) || FolderExists(path);
}

std::string NextNumberedName(const std::string& name)
{
    size_t dot = name.find('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string{} : name.substr(dot);
    std::string digits;
    while (!base.empty() && std::isdigit(static_cast<unsigned char>(base.back()))) {
        digits.insert(digits.begin(), base.back());
        base.pop_back();
    }
    // Long digit runs would overflow an integer; count them up as text instead.
    if (digits.empty())
        digits.push_back('0');
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0; --i) {
        if (digits[i] == '9') {
            digits[i] = '0';
        } else {
            ++digits[i];
            break;
        }
    }
    if (i < 0)
        digits.insert(digits.begin(), '1');
    // Leading zeros vanish, as when the digits are read as a number.
    size_t nz = digits.find_first_not_of('0');
    digits = nz == std::string::npos ? "0" : digits.substr(nz);
    return base + digits + ext;
}

bool ListPictureFiles(const std::string& folder, std::vector<std::string>& list,
                      const std::vector<std::string>& extensions)
{
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? "." : folder, ec);
    if (ec)
        return false;
    std::vector<fs::directory_entry> entries;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        entries.push_back(*it);
    }
    // The order users see in their file manager, not the file system's arbitrary one.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    const std::string prefix = AddTrailingSlash(folder);
    for (const auto& entry : entries) {
        std::string name = entry.path().filename().string();
        std::error_code dirEc;
        // Symbolic links to folders are not followed, so a loop of links cannot recurse forever.
        if (entry.is_directory(dirEc)) {
            if (!entry.is_symlink(dirEc))
                ListPictureFiles(prefix + name, list, extensions);
            continue;  // a folder is never a picture, whatever its name
        }
        size_t dot = name.rfind('.');
        if (dot == std::string::npos || dot + 1 >= name.size())
            continue;
        std::string ext = AsciiLower(name.substr(dot + 1));
        while (!ext.empty() && std::isspace(static_cast<unsigned char>(ext.back())))
            ext.pop_back();
        if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
            list.push_back(prefix + name);
    }
    return true;
}

bool DeleteQuietly(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    auto removed = fs::remove_all(path, ec);
    return !ec && removed > 0;
}

}  // namespace qel::base
