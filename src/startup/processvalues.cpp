#include "startup/processvalues.h"

#include "platform/paths.h"
#include "settings/inifile.h"
#include "settings/saversettings.h"
#include "startup/saverutils.h"

namespace qel::startup {

ProcessValues& Process()
{
    static ProcessValues values;
    return values;
}

void InitProcessPaths(const std::string& exePath)
{
    ProcessValues& p = Process();
    p.exePath = AddTrailingSlash(exePath);
    {
        auto ini = settings::IniFile::Open(p.exePath + settings::kSettingsFileName);
        p.appPath = AddTrailingSlash(ini.ReadString("Path", "AppPath", p.exePath));
    }
    p.tempPath = AddTrailingSlash(platform::SystemTempFolder()) + "QelSaver/";
}

}  // namespace qel::startup
