#include "hosts/xscreensaverfile.h"

#include <cstddef>
#include <cstdlib>
#include <string_view>

namespace qel::hosts {
namespace {

constexpr std::string_view kProgramsKey = "programs:";
constexpr std::string_view kEntrySeparator = "\\n";
constexpr std::string_view kNewFileHeader = "# XScreenSaver Preferences File";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Views into the file: reading scans every line several times, and a copy of each would cost more
// than the scan.
std::string_view Trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::vector<std::string_view> LineViews(std::string_view content)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string_view::npos)
            end = content.size();
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The lines as strings, for the writers that replace and insert lines.
std::vector<std::string> SplitLines(std::string_view content)
{
    const std::vector<std::string_view> views = LineViews(content);
    return {views.begin(), views.end()};
}

bool ContinuesOnNextLine(std::string_view line)
{
    while (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return !line.empty() && line.back() == '\\';
}

// The line holds the resource `key` ("mode:", "programs:" ...), which starts the line after blanks.
bool IsResource(std::string_view line, std::string_view key)
{
    return Trim(line).starts_with(key);
}

struct Block {
    std::size_t first = 0;  // line index of "programs:"
    std::size_t last = 0;   // line index of its last continuation line
    bool found = false;
};

template <class Line> Block FindPrograms(const std::vector<Line>& lines)
{
    Block b;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!IsResource(lines[i], kProgramsKey))
            continue;
        b.first = b.last = i;
        b.found = true;
        while (b.last + 1 < lines.size() && ContinuesOnNextLine(lines[b.last]))
            ++b.last;
        break;
    }
    return b;
}

template <class Line> std::vector<SaverEntry> ParseBlock(const std::vector<Line>& lines, const Block& b)
{
    std::string value;
    for (std::size_t i = b.first; i <= b.last; ++i) {
        std::string_view line = lines[i];
        if (i == b.first)
            line = Trim(line).substr(kProgramsKey.size());
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line.back() == '\\')
            line.remove_suffix(1);
        value += line;
    }
    std::vector<SaverEntry> entries;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(kEntrySeparator, start);
        if (end == std::string::npos)
            end = value.size();
        const std::string_view text = Trim(std::string_view(value).substr(start, end - start));
        start = end + kEntrySeparator.size();
        if (text.empty())
            continue;
        SaverEntry e;
        e.text = text;
        std::string_view rest = text;
        if (rest.front() == '-') {
            e.enabled = false;
            rest.remove_prefix(1);
        }
        std::string_view r = Trim(rest);
        // A visual such as "GL:" is one word ending in ":".
        const std::size_t blank = r.find_first_of(" \t");
        const std::string_view firstWord = r.substr(0, blank);
        if (!firstWord.empty() && firstWord.back() == ':' && firstWord.find('"') == std::string_view::npos)
            r = blank == std::string_view::npos ? std::string_view() : Trim(r.substr(blank));
        if (!r.empty() && r.front() == '"') {
            const std::size_t close = r.find('"', 1);
            r = close == std::string_view::npos ? std::string_view() : Trim(r.substr(close + 1));
        }
        e.command = r;
        entries.push_back(std::move(e));
    }
    return entries;
}

std::string FirstWord(const std::string& command)
{
    return command.substr(0, command.find_first_of(" \t"));
}

std::string ProgramsBlock(const std::vector<SaverEntry>& entries)
{
    if (entries.empty())
        return std::string(kProgramsKey) + "\n";
    std::string block = std::string(kProgramsKey) + "\t\t\t\t\t\t\t\t      \\\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // A disabled entry keeps its "-" in the first column, where the host's own lists have it.
        const std::string& text = entries[i].text;
        if (!entries[i].enabled)
            (block += "-\t\t\t\t") += Trim(std::string_view(text).substr(1));
        else
            block += "\t\t\t\t" + text;
        block += "\t\t\t\t    \\n";
        block += i + 1 < entries.size() ? "\\\n" : "\n";
    }
    return block;
}

// Sets the one-line resource `key` to `value`: in place when the file has it, else before the line
// `before` (or at the end).
void SetResource(std::vector<std::string>& lines, std::string_view key, const std::string& value, std::size_t before)
{
    const std::string line = std::string(key) + "\t\t" + value;
    for (std::string& l : lines) {
        if (IsResource(l, key)) {
            l = line;
            return;
        }
    }
    lines.insert(lines.begin() + std::ptrdiff_t(std::min(before, lines.size())), line);
}

void RemoveResource(std::vector<std::string>& lines, std::string_view key)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsResource(lines[i], key)) {
            lines.erase(lines.begin() + std::ptrdiff_t(i));
            return;
        }
    }
}

// Replaces the programs block (or adds one at the end) by one for `entries`; returns its first line.
std::size_t PutPrograms(std::vector<std::string>& lines, const Block& b, const std::vector<SaverEntry>& entries)
{
    std::string block = ProgramsBlock(entries);
    block.pop_back();  // the line break comes back when the lines are joined
    if (b.found) {
        lines.erase(lines.begin() + std::ptrdiff_t(b.first), lines.begin() + std::ptrdiff_t(b.last + 1));
        lines.insert(lines.begin() + std::ptrdiff_t(b.first), block);
        return b.first;
    }
    lines.push_back(block);
    return lines.size() - 1;
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string content;
    for (const std::string& l : lines)
        (content += l) += '\n';
    return content;
}

}  // namespace

std::vector<SaverEntry> ParseSaverPrograms(const std::string& content)
{
    const std::vector<std::string_view> lines = LineViews(content);
    const Block b = FindPrograms(lines);
    return b.found ? ParseBlock(lines, b) : std::vector<SaverEntry>{};
}

SaverInstall InstallSaverProgram(const std::string& content, const std::string& title, const std::string& command)
{
    std::string cleanTitle;
    for (char c : title) {
        const auto u = static_cast<unsigned char>(c);
        if (c != '"' && c != '\\' && u >= 0x20 && u != 0x7F)
            cleanTitle += c;
    }
    SaverEntry ours;
    ours.command = command;
    ours.text = "\"" + std::string(Trim(cleanTitle)) + "\"  " + command;

    std::vector<std::string> lines = SplitLines(content);
    if (lines.empty())
        lines = {std::string(kNewFileHeader), ""};
    Block b = FindPrograms(lines);
    std::vector<SaverEntry> entries = b.found ? ParseBlock(lines, b) : std::vector<SaverEntry>{};

    int selected = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (FirstWord(entries[i].command) == FirstWord(command)) {
            entries[i] = ours;
            selected = int(i);
            break;
        }
    }
    if (selected < 0) {
        entries.push_back(ours);
        selected = int(entries.size()) - 1;
    }

    // Replace the programs block by the new one (one physical line holds it until the join).
    b.first = PutPrograms(lines, b, entries);
    SetResource(lines, "mode:", "one", b.first);
    b = FindPrograms(lines);
    SetResource(lines, "selected:", std::to_string(selected), b.first);

    SaverInstall result;
    result.selected = selected;
    result.content = Join(lines);
    return result;
}

bool HoldsOnlyOurLines(const std::string& content)
{
    for (const std::string_view line : LineViews(content)) {
        const std::string_view t = Trim(line);
        if (!t.empty() && t != kNewFileHeader && t != kProgramsKey)
            return false;
    }
    return true;
}

std::optional<std::string> ReadResource(const std::string& content, std::string_view key)
{
    for (const std::string_view line : LineViews(content)) {
        if (IsResource(line, key))
            return std::string(Trim(Trim(line).substr(key.size())));
    }
    return std::nullopt;
}

SaverRemoval UninstallSaverProgram(const std::string& content, const std::string& command,
                                   const std::optional<std::string>& previousMode,
                                   const std::optional<std::string>& previousSelected)
{
    SaverRemoval result;
    result.content = content;
    std::vector<std::string> lines = SplitLines(content);
    const Block b = FindPrograms(lines);
    std::vector<SaverEntry> entries = b.found ? ParseBlock(lines, b) : std::vector<SaverEntry>{};
    std::size_t ours = entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (FirstWord(entries[i].command) == FirstWord(command)) {
            ours = i;
            break;
        }
    }
    result.empty = entries.empty();
    if (ours == entries.size())
        return result;
    entries.erase(entries.begin() + std::ptrdiff_t(ours));
    const std::size_t first = PutPrograms(lines, b, entries);

    const std::optional<std::string> selectedText = ReadResource(content, "selected:");
    char* end = nullptr;
    const long selected = selectedText ? std::strtol(selectedText->c_str(), &end, 10) : -1;
    const bool isNumber = selectedText && !selectedText->empty() && end && *end == '\0';
    if (isNumber && selected == long(ours)) {
        // Ours was the saver shown: the user's earlier choice comes back.
        if (previousMode)
            SetResource(lines, "mode:", *previousMode, first);
        else
            RemoveResource(lines, "mode:");
        if (previousSelected)
            SetResource(lines, "selected:", *previousSelected, first);
        else
            RemoveResource(lines, "selected:");
    } else if (isNumber && selected > long(ours)) {
        SetResource(lines, "selected:", std::to_string(selected - 1), first);
    }
    result.content = Join(lines);
    result.removed = true;
    result.empty = entries.empty();
    return result;
}

}  // namespace qel::hosts
