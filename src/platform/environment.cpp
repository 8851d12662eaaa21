#include "platform/environment.h"

#include <cstdlib>

namespace qel::platform {

std::string Environment(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string EnvironmentOr(const char* name, const std::string& fallback)
{
    std::string v = Environment(name);
    return v.empty() ? fallback : v;
}

bool HasDisplay()
{
    return !Environment("DISPLAY").empty() || !Environment("WAYLAND_DISPLAY").empty();
}

}  // namespace qel::platform
