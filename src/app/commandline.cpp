#include "app/commandline.h"

#include <cstdint>
#include <optional>
#include <string>

#ifndef QELSAVER_VERSION
#error "the build defines QELSAVER_VERSION"
#endif

namespace qel::app {

WindowHandle ParseWindowHandle(const std::string& text)
{
    size_t colon = text.find(':');
    std::string s = colon == std::string::npos ? text : text.substr(colon + 1);
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    size_t b = 0;
    size_t e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    s = s.substr(b, e - b);

    int base = 10;
    size_t i = 0;
    bool negative = false;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        i = 2;
    } else if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        i = 1;
    }
    if (i >= s.size())
        return 0;
    std::int64_t v = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return 0;
        v = v * base + d;
        if (v > 0xFFFFFFFFLL)
            return 0;
    }
    // A negative number names no window.
    if (negative && v != 0)
        return 0;
    return static_cast<WindowHandle>(v);
}

namespace {

bool IsWindowIdOption(const std::string& arg)
{
    return arg == "--window-id" || arg == "-window-id";
}

// The words hosts start savers with; checked before the one-letter modes, whose rule would end
// the program at "-r" or "--".
bool IsHostOption(const std::string& arg)
{
    return arg == "--root" || arg == "-root" || IsWindowIdOption(arg) || arg.rfind("--window-id=", 0) == 0 ||
           arg.rfind("-window-id=", 0) == 0;
}

CommandLine ParseHostArguments(const std::vector<std::string>& args)
{
    CommandLine cl;
    cl.mode = Mode::Host;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string id;
        if (IsWindowIdOption(arg))
            id = i + 1 < args.size() ? args[++i] : std::string();
        else if (const std::size_t eq = arg.find('='); eq != std::string::npos && IsHostOption(arg))
            id = arg.substr(eq + 1);
        else
            continue;  // "--root", and whatever else a host adds
        cl.windowIdGiven = true;
        // ParseWindowHandle reads after a ":", which an ID never holds.
        cl.windowId = id.find(':') == std::string::npos ? ParseWindowHandle(id) : 0;
    }
    return cl;
}

// Whole seconds, 1 to kMaxIdleAfterSeconds, in decimal digits and nothing else.
std::optional<int> ParseSeconds(const std::string& text)
{
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    int v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > kMaxIdleAfterSeconds)
        return std::nullopt;
    return v;
}

CommandLine ParseIdleServiceArguments(const std::vector<std::string>& args)
{
    CommandLine cl;
    cl.mode = Mode::IdleService;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (arg == "--idle-after") {
            if (i + 1 >= args.size()) {
                cl.error = "--idle-after needs a number of seconds";
                return cl;
            }
            value = args[++i];
        } else if (arg.rfind("--idle-after=", 0) == 0) {
            value = arg.substr(13);
        } else {
            cl.error = "unknown argument \"" + arg + "\" for --idle-service";
            return cl;
        }
        cl.idleAfterSeconds = ParseSeconds(value);
        if (!cl.idleAfterSeconds) {
            cl.error = "--idle-after takes whole seconds from 1 to " + std::to_string(kMaxIdleAfterSeconds) +
                       ", not \"" + value + "\"";
            return cl;
        }
    }
    return cl;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    const std::string first = args.empty() ? std::string("-c") : args[0];
    if (IsHostOption(first))
        return ParseHostArguments(args);
    if (first == "--idle-service")
        return ParseIdleServiceArguments(args);
    if (first == kIdleShowOption) {
        CommandLine cl;
        cl.mode = Mode::IdleShow;
        if (args.size() > 1)
            cl.error = "unknown argument \"" + args[1] + "\" for " + kIdleShowOption;
        return cl;
    }
    CommandLine cl;
    if (first.size() < 2 || (first[0] != '-' && first[0] != '/'))
        return cl;
    switch (first[1]) {
    case 'a':
    case 'A': cl.mode = Mode::Password; break;
    case 'c':
    case 'C': cl.mode = Mode::Configure; break;
    case 'p':
    case 'P':
    case 'l':
    case 'L': cl.mode = Mode::Preview; break;
    case 's':
    case 'S': cl.mode = Mode::Run; break;
    default: return cl;
    }
    if (cl.mode == Mode::Password || cl.mode == Mode::Preview) {
        if (first.find(':') != std::string::npos)
            cl.parentHandle = ParseWindowHandle(first);
        else
            cl.parentHandle = ParseWindowHandle(args.size() > 1 ? args[1] : std::string());
    }
    return cl;
}

std::string InformationText(const std::vector<std::string>& args)
{
    if (args.empty())
        return {};
    const std::string version = std::string("QelSaver ") + QELSAVER_VERSION + "\n";
    if (args[0] == "--version")
        return version;
    if (args[0] != "--help")
        return {};
    return version + "Makes screen savers from your own pictures and music, and is the screen saver it makes.\n"
                     "\n"
                     "Usage: QelSaver [MODE]\n"
                     "  (none), /c        the editor: pictures, options, sounds and transitions\n"
                     "  /s                the screen saver: the full-screen slideshow on every screen\n"
                     "  /p WINDOW         the preview inside another window (an X11 window id,\n"
                     "                    decimal or 0x...; also /p:WINDOW, /l)\n"
                     "  /a                change the saver password (nothing to do on this system)\n"
                     "  --root            as a screen-saver host runs it: inside the window named by\n"
                     "                    XSCREENSAVER_WINDOW, else full-screen like /s\n"
                     "  --window-id WINDOW\n"
                     "                    the preview inside a screen-saver host's settings dialog\n"
                     "  --idle-service [--idle-after SECONDS]\n"
                     "                    stay in the background and run the show of /s each time the\n"
                     "                    user has been idle for IdleMinutes (section Options of the\n"
                     "                    settings; 3 when not set) or SECONDS; any input ends it. One\n"
                     "                    per session: a second one ends at once. With LockOnResume=1\n"
                     "                    the session is locked (logind) before the show closes.\n"
                     "                    Saving in the editor starts it and adds it to the session's\n"
                     "                    programs where the desktop runs no screen-saver program\n"
                     "  --help            this text\n"
                     "  --version         the version\n"
                     "\n"
                     "A mode is \"-\" or \"/\" and a letter, in either case. Any other argument ends the\n"
                     "program at once.\n"
                     "\n"
                     "The settings (QelSetup.dat) lie beside the program, or in $XDG_CONFIG_HOME/qelsaver/\n"
                     "(~/.config/qelsaver/) when you may not write to the program's folder.\n";
}

}  // namespace qel::app
