#pragma once
// Programs that asked the desktop to keep the screen on (a video playing, a presentation), where the
// desktop keeps their requests apart from the idle time its sources report. While one is held, the
// idle service shows nothing; once the last is let go, the user has to stay idle for the whole
// wait again before the show comes, as if the program had been input.

#include <functional>
#include <memory>
#include <string>

#include "platform/idlemonitor.h"

namespace qel::platform {

class IdleInhibitions {
public:
    virtual ~IdleInhibitions() = default;
    // True while some program keeps the screen on. Asked when the user has become idle.
    [[nodiscard]] virtual bool Held() = 0;
    // `changed` is called when requests come or go (then Held() may answer differently).
    virtual void OnChanged(std::function<void()> changed) = 0;
};

// KDE Plasma's power management on the session bus; nothing (and *problem says why) without the
// bus. Its service may start after ours: until it is there, nothing is held.
[[nodiscard]] std::unique_ptr<IdleInhibitions> OpenKdeInhibitions(std::string* problem);

// `source` with its idle notices held back while `inhibitions` are held. Same kind as `source`.
[[nodiscard]] std::unique_ptr<IdleMonitor> HoldOffWhileInhibited(std::unique_ptr<IdleMonitor> source,
                                                                 std::unique_ptr<IdleInhibitions> inhibitions);

}  // namespace qel::platform
