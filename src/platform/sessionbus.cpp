#include "platform/sessionbus.h"

#include <sys/stat.h>

#include <string>

#include "platform/environment.h"

namespace qel::platform {

bool SessionBusExists()
{
    if (!Environment("DBUS_SESSION_BUS_ADDRESS").empty())
        return true;
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    struct stat st {};
    return !runtime.empty() && ::stat((runtime + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

}  // namespace qel::platform
