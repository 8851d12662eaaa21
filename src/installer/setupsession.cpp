#include "installer/setupsession.h"

#include "hosts/saverhost.h"
#include "platform/stopsignals.h"

namespace qel::installer {

SetupSession::SetupSession(const builder::PackageReader& package, const InstallerResources& resources,
                           std::string target)
    : resources_(resources), installation_(package, std::move(target))
{
}

std::string SetupSession::Text(const std::string& key, const std::string& fallback) const
{
    return resources_.Text(key, fallback);
}

std::vector<std::uint8_t> SetupSession::Icon() const
{
    return resources_.Icon();
}

std::string SetupSession::SaverName() const
{
    return installation_.SaverName();
}

std::string SetupSession::Summary() const
{
    return installation_.Summary();
}

std::vector<std::string> SetupSession::Notes() const
{
    return installation_.Notes();
}

void SetupSession::Install(const Progress& progress)
{
    // From now on a stop signal ends the install at the next piece it writes, and the half-made
    // folder goes (a second one ends the process at once).
    platform::CatchStopSignals();
    installation_.Run(progress);
}

bool SetupSession::CanActivate(std::string& why) const
{
    if (!hostUsable_) {
        const hosts::HostStatus host = hosts::ChooseHost(hosts::DetectHosts());
        hostUsable_ = host.kind != hosts::HostKind::None;
        hostWhy_ = host.detail;
    }
    why = hostWhy_;
    return *hostUsable_;
}

std::string SetupSession::Activate()
{
    return installation_.Activate().message;
}

std::string SetupSession::Result() const
{
    std::string text =
        "\"" + installation_.SaverName() + "\" is " +
        (installation_.ReplacesEarlier() ? "installed again, replacing the earlier install, in " : "installed in ") +
        installation_.Target() + ".";
    if (installation_.KeptActivation())
        text += " It stays your screen saver.";
    for (const std::string& line : installation_.Outcome())
        text += "\n" + line;
    return text + "\nTo remove it, run " + installation_.UninstallerPath() + ".";
}

}  // namespace qel::installer
