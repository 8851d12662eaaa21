// qelsaver-tool hosts: the screen-saver hosts of this session (the idle service with the idle source
// it would watch), the one an install of the QelSaver beside the tool would use first.
// qelsaver-tool install-saver PROGRAM [--title T]: makes PROGRAM the session's screen saver, as the
// editor's "Save Current Settings" does.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "hosts/saverhost.h"
#include "platform/regularfile.h"
#include "platform/systemfolders.h"
#include "toolcommand.h"

namespace {

using namespace qel;

int Hosts(const std::vector<std::string>& args)
{
    if (!args.empty())
        throw tool::UsageError{"unexpected argument: " + args.front()};
    // Whether MATE's screen saver can run a program depends on where it lies.
    const std::string beside = platform::ProgramFolder() + "QelSaver";
    const std::vector<hosts::HostStatus> found =
        hosts::DetectHosts(platform::IsRegularFile(beside) ? beside : std::string());
    const hosts::HostStatus chosen = hosts::ChooseHost(found);
    for (const hosts::HostStatus& h : found) {
        if (h.kind == hosts::HostKind::None)
            continue;
        std::printf("%s%s\t%s\n", h.kind == chosen.kind ? "* " : "  ", h.name.c_str(), h.detail.c_str());
    }
    if (chosen.kind == hosts::HostKind::None)
        std::printf("%s\n", chosen.detail.c_str());
    return 0;
}

int InstallSaver(const std::vector<std::string>& argv)
{
    std::vector<std::string> args = argv;
    std::string title = "Qel ScreenSaver";
    tool::TakeOption(args, "--title", title);
    if (args.size() != 1)
        throw tool::UsageError{"expected one PROGRAM"};
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::absolute(args[0], ec);
    if (ec || !std::filesystem::is_regular_file(program, ec))
        throw std::runtime_error("\"" + args[0] + "\" is not a program file");
    const hosts::InstallResult r = hosts::InstallSaver(program.lexically_normal().string(), title);
    std::printf("%s\n", r.message.c_str());
    return r.ok ? 0 : 1;
}

tool::ToolCommand hostsCommand("hosts", "hosts", &Hosts);
tool::ToolCommand installCommand("install-saver", "install-saver PROGRAM [--title T]", &InstallSaver);

}  // namespace
