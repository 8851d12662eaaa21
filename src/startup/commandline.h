#pragma once
// The first argument decides what the program is: the editor, the slideshow, the preview inside
// another window, or the password change.

#include <cstdint>
#include <string>
#include <vector>

namespace qel::startup {

enum class Mode { None, Password, Configure, Preview, Run };

// A window handle given on the command line (an X11 window id here).
using WindowHandle = std::uint32_t;

struct CommandLine {
    Mode mode = Mode::None;
    WindowHandle parentHandle = 0;
};

// The text after the first ":" (the whole text without one), blanks and control characters trimmed,
// read as a decimal number, or as hexadecimal after "0x"; 0 when it does not read.
WindowHandle ParseWindowHandle(const std::string& text);

// args are the arguments after the program name. No argument means "-c".
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace qel::startup
