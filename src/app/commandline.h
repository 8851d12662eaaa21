#pragma once
// The first argument decides what the program is: the editor, the slideshow, the preview inside
// another window, the password change, or a saver run by the desktop's screen-saver host.

#include <optional>
#include <string>
#include <vector>

#include "platform/windowhandle.h"

namespace qel::app {

enum class Mode { None, Password, Configure, Preview, Run, Host, IdleService, IdleShow };

using platform::WindowHandle;

struct CommandLine {
    Mode mode = Mode::None;
    WindowHandle parentHandle = 0;
    // Host mode: "--window-id ID" was given (a settings dialog's preview), and the window it named
    // (0 when the ID does not read).
    bool windowIdGiven = false;
    WindowHandle windowId = 0;
    // The idle service: "--idle-after SECONDS" was given, in place of the settings' wait.
    std::optional<int> idleAfterSeconds;
    // What is wrong with the command line, when the mode cannot run as given.
    std::string error;
};

// What the idle service starts each show with; not meant for people, so --help leaves it out.
inline constexpr const char* kIdleShowOption = "--idle-show";

// The longest wait "--idle-after" takes: as long as the longest of the settings.
inline constexpr int kMaxIdleAfterSeconds = 120 * 60;

// The text after the first ":" (the whole text without one), blanks and control characters trimmed,
// read as a decimal number, or as hexadecimal after "0x"; 0 when it does not read.
WindowHandle ParseWindowHandle(const std::string& text);

// args are the arguments after the program name. No argument means "-c". A first argument of
// "--root", "-root", "--window-id" or "-window-id" (the words a screen-saver host starts its savers
// with) means the host mode; its other arguments are looked through for "--window-id ID".
// "--idle-service" means the idle service, with "--idle-after SECONDS" (or "--idle-after=SECONDS")
// as its only option. kIdleShowOption alone means one show of the idle service (started by it only).
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// What "--help" or "--version" as the first argument prints on standard output before the program
// ends; the empty text for every other command line, which then goes its usual way.
std::string InformationText(const std::vector<std::string>& args);

}  // namespace qel::app
