#include "platform/idlemonitor.h"

#include <cstdio>

#include "platform/idleinhibitions.h"

namespace qel::platform {

std::unique_ptr<IdleMonitor> OpenIdleMonitor(const IdleSourceChoice& choice, std::string* problem)
{
    std::string why = choice.problem;
    for (const IdleSourceKind kind : choice.candidates) {
        std::string failed;
        std::unique_ptr<IdleMonitor> monitor;
        switch (kind) {
        case IdleSourceKind::WaylandIdleNotifier:
        case IdleSourceKind::KdeWaylandIdle: monitor = OpenWaylandIdleMonitor(kind, &failed); break;
        case IdleSourceKind::GnomeIdleMonitor: monitor = OpenGnomeIdleMonitor(&failed); break;
        case IdleSourceKind::X11IdleCounter: monitor = OpenX11IdleMonitor(&failed); break;
        }
        if (monitor && choice.askPowerManagement && kind != IdleSourceKind::GnomeIdleMonitor) {
            // Without the bus the requests cannot be seen, but the idle time still works.
            std::string unseen;
            if (auto inhibitions = OpenKdeInhibitions(&unseen))
                monitor = HoldOffWhileInhibited(std::move(monitor), std::move(inhibitions));
            else
                std::fprintf(stderr, "QelSaver: programs that keep the screen on cannot be seen: %s\n", unseen.c_str());
        }
        if (monitor)
            return monitor;
        if (!why.empty())
            why += "; ";
        why += std::string(IdleSourceName(kind)) + ": " + failed;
    }
    if (problem)
        *problem = why.empty() ? "no idle source" : why;
    return nullptr;
}

}  // namespace qel::platform
