#include "editor/systemactions.h"

#include "platform/desktopopener.h"
#include "platform/systemfolders.h"
#include "slideshow/slideshowsession.h"

namespace qel::editor {

SystemActions MakeSystemActions()
{
    SystemActions actions;
    actions.installSaver = [](const std::string& program, const std::string& title) {
        return hosts::InstallSaver(program, title);
    };
    actions.runShow = [](const std::string& settingsFile) {
        slideshow::SlideshowSession show(settingsFile);
        show.Run();
    };
    actions.canOpen = [](const std::string& file) { return platform::CanOpenWithDesktop(file); };
    actions.open = [](const std::string& target) { platform::OpenWithDesktop(target); };
    actions.idleServiceFacts = [] {
        IdleServiceFacts facts;
        facts.serviceInUse =
            hosts::ChooseHost(hosts::DetectHosts(platform::ProgramFile())).kind == hosts::HostKind::IdleService;
        facts.blanking = hosts::ReadDesktopBlanking();
        return facts;
    };
    return actions;
}

}  // namespace qel::editor
