#include "hosts/desktopblanking.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <vector>

#include "base/text.h"
#include "hosts/xscreensaverfile.h"
#include "platform/environment.h"
#include "platform/fileerror.h"
#include "platform/process.h"
#include "platform/regularfile.h"
#include "platform/userfolders.h"

namespace qel::hosts {
namespace {

constexpr std::uint64_t kLargestConfigFile = 1 << 20;
constexpr int kKdeDefaultLockMinutes = 5;

std::optional<int> Number(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value < 0)
        return std::nullopt;
    return value;
}

// The value of `key` in the group whose header line is `header` ("[Daemon]", "[AC][DPMSControl]").
std::optional<std::string> KdeValue(const std::string& text, const std::string& header, const std::string& key)
{
    std::istringstream in(text);
    bool inGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inGroup = line == header;
            continue;
        }
        const auto eq = line.find('=');
        if (inGroup && eq != std::string::npos && line.substr(0, eq) == key)
            return line.substr(eq + 1);
    }
    return std::nullopt;
}

// A file of the user's; empty when it cannot be read.
std::string ReadConfig(const std::string& path)
{
    try {
        const auto bytes = platform::ReadRegularFile(path, kLargestConfigFile);
        return std::string(bytes.begin(), bytes.end());
    } catch (const platform::FileError&) {
        return {};
    }
}

bool DesktopHas(const std::string& name)
{
    const std::string desktop = base::AsciiLower(platform::Environment("XDG_CURRENT_DESKTOP"));
    return desktop.find(base::AsciiLower(name)) != std::string::npos;
}

void KeepEarliest(std::optional<DesktopBlanking>& earliest, std::optional<int> seconds, const char* desktop)
{
    if (seconds && *seconds > 0 && (!earliest || *seconds < earliest->seconds))
        earliest = DesktopBlanking{*seconds, desktop};
}

}  // namespace

std::optional<int> GnomeIdleDelaySeconds(const std::string& gsettingsOutput)
{
    std::string_view text = gsettingsOutput;
    if (text.substr(0, 7) == "uint32 ")
        text.remove_prefix(7);
    const auto seconds = Number(text);
    return seconds && *seconds > 0 ? seconds : std::nullopt;
}

std::optional<int> KdeLockSeconds(const std::string& kscreenlockerrc)
{
    if (KdeValue(kscreenlockerrc, "[Daemon]", "Autolock").value_or("true") == "false")
        return std::nullopt;
    const auto minutes = Number(KdeValue(kscreenlockerrc, "[Daemon]", "Timeout").value_or("5"));
    if (!minutes || *minutes == 0)
        return std::nullopt;
    return std::min(*minutes, 24 * 60) * 60;
}

std::optional<int> KdeScreenOffSeconds(const std::string& powermanagementprofilesrc)
{
    const auto seconds = Number(KdeValue(powermanagementprofilesrc, "[AC][DPMSControl]", "idleTime").value_or(""));
    return seconds && *seconds > 0 ? seconds : std::nullopt;
}

std::optional<int> XScreenSaverTimeoutSeconds(const std::string& preferences)
{
    const auto value = ReadResource(preferences, "timeout:");
    if (!value)
        return std::nullopt;
    // H:MM:SS, MM:SS or minutes alone.
    std::vector<int> parts;
    std::size_t start = 0;
    while (start <= value->size()) {
        const std::size_t end = std::min(value->find(':', start), value->size());
        const auto n = Number(std::string_view(*value).substr(start, end - start));
        if (!n || *n > 100000)
            return std::nullopt;
        parts.push_back(*n);
        start = end + 1;
    }
    int seconds = 0;
    if (parts.size() == 1)
        seconds = parts[0] * 60;
    else if (parts.size() == 2)
        seconds = parts[0] * 60 + parts[1];
    else if (parts.size() == 3)
        seconds = (parts[0] * 60 + parts[1]) * 60 + parts[2];
    return seconds > 0 ? std::optional<int>(seconds) : std::nullopt;
}

std::optional<DesktopBlanking> ReadDesktopBlanking()
{
    std::optional<DesktopBlanking> earliest;
    if (DesktopHas("GNOME")) {
        const auto r = platform::RunCommand({"gsettings", "get", "org.gnome.desktop.session", "idle-delay"}, 2000);
        if (r && r->exitCode == 0)
            KeepEarliest(earliest, GnomeIdleDelaySeconds(r->output), "GNOME");
    }
    const std::string config = platform::UserConfigFolder();
    if (DesktopHas("KDE") && !config.empty()) {
        // A missing file holds KDE's defaults.
        KeepEarliest(earliest, KdeLockSeconds(ReadConfig(config + "/kscreenlockerrc")), "KDE Plasma");
        KeepEarliest(earliest, KdeScreenOffSeconds(ReadConfig(config + "/powermanagementprofilesrc")), "KDE Plasma");
    }
    // Its timeout counts only while it runs.
    const std::string home = platform::HomeFolder();
    const auto xss = platform::FindOnPath("xscreensaver-command")
                         ? platform::RunCommand({"xscreensaver-command", "-version"}, 2000)
                         : std::nullopt;
    if (!home.empty() && xss && xss->exitCode == 0)
        KeepEarliest(earliest, XScreenSaverTimeoutSeconds(ReadConfig(home + "/.xscreensaver")), "XScreenSaver");
    return earliest;
}

std::string BlankingNote(const std::optional<DesktopBlanking>& blanking, int waitMinutes)
{
    if (!blanking || blanking->seconds > waitMinutes * 60)
        return {};
    const int minutes = blanking->seconds / 60;
    const std::string when = blanking->seconds % 60 != 0 || minutes == 0
                                 ? std::to_string(blanking->seconds) + " seconds"
                                 : std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
    return blanking->desktop + " blanks the screen after " + when +
           " without input, before this wait is over: choose a shorter wait to see the show.";
}

}  // namespace qel::hosts
