#include "platform/idlemonitor.h"

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
