#include "app/hosttarget.h"

#include <cstdint>
#include <string>

#include "platform/environment.h"

namespace qel::app {

HostTarget FindHostTarget(const CommandLine& cl)
{
    HostTarget target;
    if (cl.windowIdGiven) {
        target.given = true;
        target.window = cl.windowId;
        target.settingsDialog = true;
        return target;
    }
    if (const std::string id = platform::Environment("XSCREENSAVER_WINDOW"); !id.empty()) {
        target.given = true;
        target.window = id.find(':') == std::string::npos ? ParseWindowHandle(id) : 0;
    }
    return target;
}

bool PreviewSized(int width, int height, int smallestScreenWidth, int smallestScreenHeight)
{
    if (smallestScreenWidth <= 0 || smallestScreenHeight <= 0)
        return false;
    return std::int64_t(width) * 2 <= smallestScreenWidth && std::int64_t(height) * 2 <= smallestScreenHeight;
}

}  // namespace qel::app
