#include "settings/processpaths.h"

#include "base/paths.h"
#include "platform/paths.h"
#include "settings/inifile.h"
#include "settings/saversettings.h"

namespace qel::settings {

ProcessValues& Process()
{
    static ProcessValues values;
    return values;
}

void InitProcessPaths(const std::string& exePath)
{
    ProcessValues& p = Process();
    p.exePath = base::AddTrailingSlash(exePath);
    {
        auto ini = IniFile::Open(p.exePath + kSettingsFileName);
        p.appPath = base::AddTrailingSlash(ini.ReadString("Path", "AppPath", p.exePath));
    }
    p.tempPath = base::AddTrailingSlash(platform::SystemTempFolder()) + "QelSaver/";
}

std::string SetupFilePath()
{
    return Process().exePath + kSettingsFileName;
}

std::string PreviewFilePath()
{
    return Process().exePath + kPreviewFileName;
}

std::string SystemSetupFilePath()
{
    return base::AddTrailingSlash(platform::SystemFolder()) + kSystemSettingsFileName;
}

}  // namespace qel::settings
