#pragma once
// The first argument decides what the program is: the editor, the slideshow, the preview inside
// another window, or the password change.

#include <string>
#include <vector>

#include "platform/windowhandle.h"

namespace qel::app {

enum class Mode { None, Password, Configure, Preview, Run };

using platform::WindowHandle;

struct CommandLine {
    Mode mode = Mode::None;
    WindowHandle parentHandle = 0;
};

// The text after the first ":" (the whole text without one), blanks and control characters trimmed,
// read as a decimal number, or as hexadecimal after "0x"; 0 when it does not read.
WindowHandle ParseWindowHandle(const std::string& text);

// args are the arguments after the program name. No argument means "-c".
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// What "--help" or "--version" as the first argument prints on standard output before the program
// ends; the empty text for every other command line, which then goes its usual way.
std::string InformationText(const std::vector<std::string>& args);

}  // namespace qel::app
