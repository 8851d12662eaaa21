#include "platform/desktopopener.h"

#include "platform/process.h"

namespace qel::platform {
namespace {

// How long the opener may take to fail before it is left to run on alone: an opener that finds
// nothing to start ends at once, one that starts a program may wait for it to close.
constexpr int kHandOverMs = 300;

std::string FirstLine(const std::string& text)
{
    const std::size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

}  // namespace

bool CanOpenWithDesktop(const std::string& file)
{
    const auto type = RunCommand({"xdg-mime", "query", "filetype", file});
    if (!type || type->exitCode != 0 || FirstLine(type->output).empty())
        return false;
    const auto program = RunCommand({"xdg-mime", "query", "default", FirstLine(type->output)});
    return program && program->exitCode == 0 && !FirstLine(program->output).empty();
}

bool OpenWithDesktop(const std::string& target)
{
    const auto status = StartCommand({"xdg-open", target}, kHandOverMs);
    return status && (*status == 0 || *status == kStillRunning);
}

}  // namespace qel::platform
