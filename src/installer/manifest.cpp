#include "installer/manifest.h"

#include <algorithm>

#include "builder/packageformat.h"
#include "settings/inifile.h"

namespace qel::installer {
namespace {

constexpr const char* kSaver = "Saver";
constexpr const char* kFiles = "Files";
constexpr const char* kFolders = "Folders";
constexpr const char* kHost = "Host";
constexpr int kMaxCreatedParents = 8;
constexpr int kFormat = 2;
constexpr std::size_t kHashDigits = 64;  // "qelsaver/savers" and the data folder's own, at most

const char* KindName(hosts::HostKind kind)
{
    switch (kind) {
    case hosts::HostKind::XScreenSaver: return "XScreenSaver";
    case hosts::HostKind::MateScreenSaver: return "MATE";
    case hosts::HostKind::IdleService: return "IdleService";
    case hosts::HostKind::None: break;
    }
    return "";
}

hosts::HostKind KindOf(const std::string& name)
{
    if (name == "XScreenSaver")
        return hosts::HostKind::XScreenSaver;
    if (name == "MATE")
        return hosts::HostKind::MateScreenSaver;
    if (name == "IdleService")
        return hosts::HostKind::IdleService;
    return hosts::HostKind::None;
}

bool HasKey(const settings::IniFile& ini, const char* section, const char* key)
{
    for (const std::string& k : ini.ReadSection(section)) {
        if (k == key)
            return true;
    }
    return false;
}

bool ParseSizeAndHash(const std::string& value, InstalledFile& file)
{
    const auto blank = value.find(' ');
    if (blank == std::string::npos || blank == 0 || blank > 19)
        return false;
    std::uint64_t size = 0;
    for (std::size_t i = 0; i < blank; ++i) {
        if (value[i] < '0' || value[i] > '9')
            return false;
        size = size * 10 + std::uint64_t(value[i] - '0');
    }
    const std::string hash = value.substr(blank + 1);
    if (hash.size() != kHashDigits || hash.find_first_not_of("0123456789abcdef") != std::string::npos)
        return false;
    file.size = size;
    file.hash = hash;
    return true;
}

}  // namespace

bool IsManifestPath(const std::string& relative)
{
    const auto slash = relative.find('/');
    if (slash == std::string::npos)
        return builder::IsSafeEntryName(relative);
    const std::string folder = relative.substr(0, slash);
    return (folder == kPicturesFolder || folder == kSoundsFolder) &&
           builder::IsSafeEntryName(relative.substr(slash + 1));
}

std::string FormatManifest(const Manifest& m)
{
    settings::IniFile ini;
    ini.WriteString(kSaver, "Format", std::to_string(kFormat));
    ini.WriteString(kSaver, "Name", m.saverName);
    ini.WriteString(kSaver, "Program", m.program);
    ini.WriteString(kSaver, "CreatedParents", std::to_string(m.createdParents));
    for (const InstalledFile& f : m.files)
        ini.WriteString(kFiles, f.path, std::to_string(f.size) + " " + f.hash);
    for (const std::string& f : m.folders)
        ini.WriteString(kFolders, f, "");
    const hosts::HostChange& h = m.host;
    if (h.kind != hosts::HostKind::None) {
        ini.WriteString(kHost, "Kind", KindName(h.kind));
        ini.WriteString(kHost, "File", h.file);
        ini.WriteString(kHost, "Command", h.command);
        if (h.previousMode)
            ini.WriteString(kHost, "PreviousMode", *h.previousMode);
        if (h.previousSelected)
            ini.WriteString(kHost, "PreviousSelected", *h.previousSelected);
        ini.WriteString(kHost, "CreatedFile", h.createdFile ? "1" : "0");
        ini.WriteString(kHost, "CreatedBackup", h.createdBackup);
        ini.WriteString(kHost, "CreatedLink", h.createdLink);
        if (!h.createdFolder.empty())
            ini.WriteString(kHost, "CreatedFolder", h.createdFolder);
    }
    return ini.ToText();
}

Manifest ParseManifest(const std::string& text)
{
    const auto ini = settings::IniFile::FromText(text);
    Manifest m;
    m.valid = ini.ReadInteger(kSaver, "Format", 0) == kFormat;
    m.saverName = ini.ReadString(kSaver, "Name", "");
    m.program = ini.ReadString(kSaver, "Program", "");
    if (!builder::IsSafeEntryName(m.program))
        m.program.clear();
    m.createdParents = std::clamp(ini.ReadInteger(kSaver, "CreatedParents", 0), 0, kMaxCreatedParents);
    for (const std::string& f : ini.ReadSection(kFiles)) {
        if (!IsManifestPath(f))
            continue;
        InstalledFile file;
        file.path = f;
        if (!ParseSizeAndHash(ini.ReadString(kFiles, f, ""), file))
            m.valid = false;  // a file we could not tell from the user's is never removed
        else
            m.files.push_back(file);
    }
    for (const std::string& f : ini.ReadSection(kFolders)) {
        if (f == kPicturesFolder || f == kSoundsFolder)
            m.folders.push_back(f);
    }
    hosts::HostChange& h = m.host;
    h.kind = KindOf(ini.ReadString(kHost, "Kind", ""));
    h.file = ini.ReadString(kHost, "File", "");
    h.command = ini.ReadString(kHost, "Command", "");
    if (HasKey(ini, kHost, "PreviousMode"))
        h.previousMode = ini.ReadString(kHost, "PreviousMode", "");
    if (HasKey(ini, kHost, "PreviousSelected"))
        h.previousSelected = ini.ReadString(kHost, "PreviousSelected", "");
    h.createdFile = ini.ReadBool(kHost, "CreatedFile", false);
    h.createdBackup = ini.ReadString(kHost, "CreatedBackup", "");
    h.createdLink = ini.ReadString(kHost, "CreatedLink", "");
    h.createdFolder = ini.ReadString(kHost, "CreatedFolder", "");
    return m;
}

}  // namespace qel::installer
