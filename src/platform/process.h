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

// The full path of `name` on PATH, or nothing when no executable file of that name is there.
std::optional<std::string> FindOnPath(const std::string& name);

// The value of an environment variable, or `fallback` when it is unset or empty.
std::string EnvironmentOr(const char* name, const std::string& fallback = {});

}  // namespace qel::platform
