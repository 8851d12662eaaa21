#include "hosts/desktopentry.h"

namespace qel::hosts {
namespace {

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

std::string ScreenSaverDesktopEntry(const std::string& title, const std::string& program,
                                    const std::vector<std::string>& arguments)
{
    std::string exec = QuoteExecArgument(program);
    for (const std::string& a : arguments)
        exec += " " + QuoteExecArgument(a);
    std::string entry = "[Desktop Entry]\n";
    entry += "Type=Application\n";
    entry += "Name=" + OneLine(title) + "\n";
    entry += "Comment=A slideshow of pictures and music made with QelSaver\n";
    entry += "TryExec=" + OneLine(program) + "\n";
    entry += "Exec=" + OneLine(exec) + "\n";
    entry += "NoDisplay=true\n";
    entry += "Categories=Screensaver;\n";
    return entry;
}

}  // namespace qel::hosts
