#pragma once
// Subcommands of qelsaver-tool register themselves here; each lives in its own cmd_*.cpp file
// that is compiled straight into the executable, so static registration is never dropped.

#include <string>
#include <vector>

namespace qel::tool {

// Thrown for wrong usage: main prints the usage and exits with 2.
struct UsageError {
    std::string message;
};

// Thrown (or any std::exception) for a failure: main prints "qelsaver-tool: <what>" and exits with 1.
// Messages should name the file and the cause.

using CommandFn = int (*)(const std::vector<std::string>& args);

struct ToolCommand {
    ToolCommand(const char* name, const char* usage, CommandFn fn);
};

// Small helpers for parsing the command lines.
int ParseIntArg(const std::string& text, const char* what);  // throws UsageError
// Removes "--name VALUE" from args; returns true and stores VALUE when present.
bool TakeOption(std::vector<std::string>& args, const std::string& name, std::string& value);
// Removes "--name" from args; returns whether it was there.
bool TakeFlag(std::vector<std::string>& args, const std::string& name);

}  // namespace qel::tool
