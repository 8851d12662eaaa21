#include "base/desktopentry.h"

namespace qel::base {
namespace {

std::string_view Trim(std::string_view s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    const auto e = s.find_last_not_of(" \t\r\n");
    return b == std::string_view::npos ? std::string_view() : s.substr(b, e - b + 1);
}

// A value on one line: line breaks would start a new key.
std::string OneLine(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n' || c == '\r')
            out += ' ';
        else
            out += c;
    }
    return out;
}

}  // namespace

std::map<std::string, std::string> ReadDesktopEntry(std::string_view text)
{
    std::map<std::string, std::string> keys;
    bool inGroup = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto eq = line.find('=');
        if (!inGroup || eq == std::string_view::npos)
            continue;
        keys[std::string(Trim(line.substr(0, eq)))] = std::string(Trim(line.substr(eq + 1)));
    }
    return keys;
}

std::string WriteDesktopEntry(const std::vector<std::pair<std::string, std::string>>& keys)
{
    std::string entry = "[Desktop Entry]\n";
    for (const auto& [key, value] : keys)
        entry += key + "=" + OneLine(value) + "\n";
    return entry;
}

std::string QuoteExecArgument(const std::string& argument)
{
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`%";
    if (!argument.empty() && argument.find_first_of(reserved) == std::string::npos)
        return argument;
    std::string quoted = "\"";
    // Escaped for Exec with a backslash, and that backslash (like any other) doubled by the file's
    // string rule, which applies first when the entry is read.
    for (char c : argument) {
        if (c == '%') {
            quoted += "%%";  // a field code otherwise
            continue;
        }
        if (c == '"' || c == '`' || c == '$')
            quoted += "\\\\";
        else if (c == '\\')
            quoted += "\\\\\\";
        quoted += c;
    }
    return quoted + "\"";
}

std::string ExecProgram(const std::string& exec)
{
    if (!exec.empty() && exec[0] == '"') {
        const auto close = exec.find('"', 1);
        return exec.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return exec.substr(0, exec.find_first_of(" \t"));
}

bool DesktopListHas(const std::string& list, const std::string& item)
{
    return (";" + list + ";").find(";" + item + ";") != std::string::npos;
}

}  // namespace qel::base
