#pragma once
// Running another program and reading what it prints: the screen-saver hosts are asked and set up
// through their own command-line tools.

#include <optional>
#include <string>
#include <vector>

namespace qel::platform {

struct CommandResult {
    int exitCode = -1;   // the program's exit status; -1 when a signal ended it
    std::string output;  // what it wrote on its standard output
};

// Runs argv[0] (looked up on PATH) with the arguments argv[1...], its standard input empty and its
// errors discarded, and waits at most `timeoutMs` for it. Nothing when it cannot be started or does
// not end in time (it is then killed). Never runs a shell.
std::optional<CommandResult> RunCommand(const std::vector<std::string>& argv, int timeoutMs = 5000);

// Starts argv[0] (looked up on PATH) with its standard input and output empty and waits at most
// `waitMs` for it to end. Its exit status when it ended in time; -2 when it still runs (it is then
// left running, and reaped when it ends); nothing when it cannot be started. Never runs a shell.
std::optional<int> StartCommand(const std::vector<std::string>& argv, int waitMs);
inline constexpr int kStillRunning = -2;

// Starts `program` with `arguments` as a process of its own that outlives this one: in a session of
// its own, its standard input and output empty, none of this process's other open files (our locks)
// passed on, and not this process's child (nothing here waits for it or ends it). Returns once it
// runs; an empty text then, else why it could not be started. Never runs a shell.
[[nodiscard]] std::string StartDetached(const std::string& program, const std::vector<std::string>& arguments);

// Asks this user's processes that run `program` (the same file, or one since deleted at that path)
// with `argument` among their arguments to end (SIGTERM), and waits up to `waitMs` for them to be
// gone. Returns how many were asked.
int EndProcessesRunning(const std::string& program, const std::string& argument, int waitMs);

// The full path of `name` on PATH, or nothing when no executable file of that name is there.
std::optional<std::string> FindOnPath(const std::string& name);

// True when the standard input is a terminal (someone can answer a question there).
bool InputIsTerminal();
// True when the standard error output is a terminal (a line can be redrawn there).
bool ErrorOutputIsTerminal();

// Shows `text` in a message window of the desktop's own dialog programs (zenity, kdialog or xmessage,
// the first one found), for programs that cannot load a window toolkit. Waits until it is closed.
// False when none of them is there.
bool ShowMessageWithoutToolkit(const std::string& title, const std::string& text);

}  // namespace qel::platform
