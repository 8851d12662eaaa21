#include "installer/requirements.h"

#include <set>

#include "platform/libraries.h"
#include "settings/inifile.h"

namespace qel::installer {
namespace {

std::vector<std::pair<std::string, std::string>> Pairs(const settings::IniFile& ini, const char* section)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& key : ini.ReadSection(section)) {
        if (!key.empty())
            pairs.emplace_back(key, ini.ReadString(section, key, ""));
    }
    return pairs;
}

std::string PackageOf(const Requirements& r, const std::string& soname)
{
    for (const auto& list : {&r.libraries, &r.packages}) {
        for (const auto& [name, package] : *list) {
            if (name == soname)
                return package;
        }
    }
    return {};
}

// The loader's message begins with the file it could not find: "libX.so.1: cannot open shared object
// file: No such file or directory".
std::string MissingFileOf(const std::string& error, const std::string& fallback)
{
    const auto colon = error.find(": cannot open shared object file");
    return colon == std::string::npos ? fallback : error.substr(0, colon);
}

}  // namespace

Requirements ParseRequirements(const std::string& text)
{
    const auto ini = settings::IniFile::FromText(text);
    Requirements r;
    r.libraries = Pairs(ini, "Libraries");
    r.files = Pairs(ini, "Files");
    r.packages = Pairs(ini, "Packages");
    return r;
}

std::vector<MissingPiece> CheckRequirements(const Requirements& r)
{
    std::vector<MissingPiece> missing;
    std::set<std::string> named;
    for (const auto& [soname, package] : r.libraries) {
        const auto error = platform::TryLoadLibrary(soname);
        if (!error)
            continue;
        const std::string file = MissingFileOf(*error, soname);
        if (named.insert(file).second)
            missing.push_back({file, PackageOf(r, file)});
    }
    // A plug-in is loaded too: it may be there while a library it needs is not.
    for (const auto& [path, package] : r.files) {
        const auto error = platform::TryLoadLibrary(path);
        if (!error)
            continue;
        const std::string file = MissingFileOf(*error, path);
        if (named.insert(file).second)
            missing.push_back({file, file == path ? package : PackageOf(r, file)});
    }
    return missing;
}

std::string MissingMessage(const std::vector<MissingPiece>& missing)
{
    std::string text = "This screen saver needs parts of the system that are not installed here:\n";
    std::vector<std::string> packages;
    std::set<std::string> seen;
    for (const MissingPiece& m : missing) {
        text += "  " + m.what +
                (m.package.empty() ? " (find its package with: apt-file search " + m.what + ")"
                                   : " (Debian package " + m.package + ")") +
                "\n";
        if (!m.package.empty() && seen.insert(m.package).second)
            packages.push_back(m.package);
    }
    if (!packages.empty()) {
        text += "Install them with:\n  sudo apt install";
        for (const std::string& p : packages)
            text += " " + p;
        text += "\n";
    }
    text += "then run this package again.";
    return text;
}

}  // namespace qel::installer
