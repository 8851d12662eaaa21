#include "settings/inifile.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "base/text.h"
#include "platform/files.h"
#include "platform/regularfile.h"

namespace qel::settings {
namespace {

std::string_view KeyOf(std::string_view line)
{
    size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view{} : line.substr(0, eq);
}

// FNV-1a over the key in ASCII lower case.
std::uint64_t KeyHash(std::string_view key)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (char c : key)
        h = (h ^ static_cast<unsigned char>(base::AsciiLower(c))) * 0x100000001b3ull;
    return h;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = base::AsciiLower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Hex digits as a 32-bit pattern (so "$FFFFFFFF" is -1); false on no digits, a bad digit or overflow.
bool ParseHex(std::string_view digits, bool negative, int& out)
{
    if (digits.empty())
        return false;
    std::uint64_t v = 0;
    for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0)
            return false;
        v = v * 16 + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull)
            return false;
    }
    auto bits = static_cast<std::uint32_t>(v);
    if (negative)
        bits = 0u - bits;
    out = static_cast<int>(bits);
    return true;
}

}  // namespace

int TextToInt(std::string_view text, int def)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        int v = 0;
        return ParseHex(text.substr(2), false, v) ? v : def;
    }
    // Decimal, or hexadecimal after "$": leading blanks and one sign allowed, nothing after.
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i < text.size() && text[i] == '$') {
        int v = 0;
        return ParseHex(text.substr(i + 1), negative, v) ? v : def;
    }
    if (i >= text.size())
        return def;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9')
            return def;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL)
            return def;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return def;
    return static_cast<int>(v);
}

IniFile IniFile::FromText(std::string_view text)
{
    IniFile ini;
    Section* current = nullptr;
    size_t pos = 0;
    size_t lineNumber = 0;
    while (pos < text.size()) {
        ++lineNumber;
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (end == text.size())
            pos = end;
        else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            pos = end + 2;
        else
            pos = end + 1;

        if (line.size() > kMaxLineLength && ini.problem_.empty())
            ini.problem_ =
                "line " + std::to_string(lineNumber) + " is longer than " + std::to_string(kMaxLineLength) + " bytes";
        if (line.empty() || line[0] == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            ini.sections_.push_back(Section{std::string(line.substr(1, line.size() - 2)), {}, {}});
            current = &ini.sections_.back();
            continue;
        }
        if (current)
            current->Append(std::string(line));
    }
    return ini;
}

IniFile IniFile::Open(const std::string& path)
{
    IniFile ini;
    try {
        const std::vector<std::uint8_t> bytes = platform::ReadRegularFile(path, kMaxFileSize);
        ini = FromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const platform::FileError& e) {
        // Not a file, unreadable or too large: every read gives its default. A missing file is the
        // first run and no problem.
        if (e.kind() != platform::FileError::Kind::Missing)
            ini.problem_ = e.what();
    }
    ini.path_ = path;
    return ini;
}

void IniFile::Section::Append(std::string line)
{
    const std::string_view key = KeyOf(line);
    if (Find(key) == lines.size())
        firstLine.emplace(KeyHash(key), lines.size());
    lines.push_back(std::move(line));
}

std::size_t IniFile::Section::Find(std::string_view key) const
{
    std::size_t first = lines.size();
    for (auto [it, end] = firstLine.equal_range(KeyHash(key)); it != end; ++it) {
        if (it->second < first && base::SameText(KeyOf(lines[it->second]), key))
            first = it->second;
    }
    return first;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const
{
    for (const auto& s : sections_)
        if (base::SameText(s.name, name))
            return &s;
    return nullptr;
}

IniFile::Section* IniFile::FindSection(std::string_view name)
{
    return const_cast<Section*>(static_cast<const IniFile*>(this)->FindSection(name));
}

const std::string* IniFile::FindLine(std::string_view section, std::string_view key) const
{
    const Section* s = FindSection(section);
    if (!s)
        return nullptr;
    const std::size_t i = s->Find(key);
    return i < s->lines.size() ? &s->lines[i] : nullptr;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, const std::string& def) const
{
    const std::string* line = FindLine(section, key);
    if (!line)
        return def;
    size_t eq = line->find('=');
    return eq == std::string::npos ? std::string{} : line->substr(eq + 1);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const
{
    const std::string* line = FindLine(section, key);
    if (!line)
        return def;
    size_t eq = line->find('=');
    return TextToInt(eq == std::string::npos ? std::string_view{} : std::string_view(*line).substr(eq + 1), def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const Section* s = FindSection(section)) {
        keys.reserve(s->lines.size());
        for (const auto& line : s->lines)
            keys.emplace_back(KeyOf(line));
    }
    return keys;
}

bool IniFile::SectionExists(std::string_view section) const
{
    return FindSection(section) != nullptr;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    std::string line = std::string(key) + "=" + std::string(value);
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back(Section{std::string(section), {}, {}});
        s = &sections_.back();
    }
    // The line replaced keeps its key, so the index still holds.
    if (const std::size_t i = s->Find(key); i < s->lines.size())
        s->lines[i] = std::move(line);
    else
        s->Append(std::move(line));
}

std::string IniFile::ToText() const
{
    std::string text;
    for (const auto& s : sections_) {
        text += "[" + s.name + "]\r\n";
        for (const auto& line : s.lines)
            text += line + "\r\n";
        text += "\r\n";
    }
    return text;
}

void IniFile::UpdateFile() const
{
    UpdateFile(path_);
}

void IniFile::UpdateFile(const std::string& path) const
{
    if (!problem_.empty() && path == path_)
        throw std::runtime_error("\"" + path + "\" is left as it is: it could not be read whole (" + problem_ + ")");
    platform::WriteFileAtomically(path, ToText());
}

}  // namespace qel::settings
