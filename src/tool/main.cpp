// qelsaver-tool: runs the engine without windows (styles, frames, resizing, zipping ...).

#include <cstdio>
#include <exception>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/text.h"
#include "toolcommand.h"

namespace qel::tool {
namespace {

struct Entry {
    std::string usage;
    CommandFn fn;
};

std::map<std::string, Entry>& Registry()
{
    static std::map<std::string, Entry> commands;
    return commands;
}

void PrintUsage()
{
    std::fprintf(stderr, "usage: qelsaver-tool COMMAND ...\n");
    for (const auto& [name, entry] : Registry())
        std::fprintf(stderr, "  qelsaver-tool %s\n", entry.usage.c_str());
}

}  // namespace

ToolCommand::ToolCommand(const char* name, const char* usage, CommandFn fn)
{
    Registry()[name] = Entry{usage, fn};
}

int ParseIntArg(const std::string& text, const char* what)
{
    try {
        size_t used = 0;
        long long v = std::stoll(text, &used, 0);
        if (used != text.size() || v < -2147483648LL || v > 2147483647LL)
            throw UsageError{std::string("bad ") + what + ": " + text};
        return static_cast<int>(v);
    } catch (const std::logic_error&) {
        throw UsageError{std::string("bad ") + what + ": " + text};
    }
}

bool TakeOption(std::vector<std::string>& args, const std::string& name, std::string& value)
{
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            if (i + 1 >= args.size())
                throw UsageError{name + " needs a value"};
            value = args[i + 1];
            args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
            return true;
        }
    }
    return false;
}

bool TakeFlag(std::vector<std::string>& args, const std::string& name)
{
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            args.erase(args.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

}  // namespace qel::tool

int main(int argc, char** argv)
{
    using namespace qel::tool;
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    auto it = Registry().find(argv[1]);
    if (it == Registry().end()) {
        std::fprintf(stderr, "qelsaver-tool: unknown command '%s'\n", argv[1]);
        PrintUsage();
        return 2;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        return it->second.fn(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "qelsaver-tool %s: %s\nusage: qelsaver-tool %s\n", argv[1], e.message.c_str(),
                     it->second.usage.c_str());
        return 2;
    } catch (const std::exception& e) {
        // An error may quote a name from a file: its control characters are shown, not sent.
        std::fprintf(stderr, "qelsaver-tool: %s\n", qel::base::Printable(e.what()).c_str());
        return 1;
    }
}
