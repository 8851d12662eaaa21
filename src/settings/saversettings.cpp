#include "settings/saversettings.h"

#include "platform/files.h"
#include "platform/folderhandle.h"
#include "settings/settingskeys.h"

namespace qel::settings {

int SaverSettings::IntervalMs() const
{
    constexpr int kLongestSeconds = 2'000'000;
    if (interval <= 0)
        return 0;
    return interval > kLongestSeconds ? kLongestSeconds * 1000 : interval * 1000;
}

std::vector<int> SaverSettings::EnabledStyles() const
{
    std::vector<int> styles;
    for (size_t i = 0; i < transSetup.size(); ++i)
        if (transSetup[i] == '1')
            styles.push_back(static_cast<int>(i));
    return styles;
}

SaverSettings ReadSettings(const IniFile& ini, SettingsReader reader)
{
    SaverSettings s;
    ReadKeys(SettingKeys(), ini, reader, s);
    return s;
}

SaverSettings LoadSettings(const std::string& path, SettingsReader reader, std::string* problem)
{
    const IniFile ini = IniFile::Open(path);
    if (problem)
        *problem = ini.Problem();
    return ReadSettings(ini, reader);
}

std::string FormatSettings(const SaverSettings& s)
{
    return WriteKeys(SettingKeys(), s);
}

bool SameDesign(const SaverSettings& a, const SaverSettings& b)
{
    return SameKeys(SettingKeys(), a, b);
}

void SaveSettings(const std::string& path, const SaverSettings& s)
{
    platform::WriteFileAtomically(path, FormatSettings(s));
}

void SaveOwnSettings(const std::string& path, const SaverSettings& s)
{
    platform::WriteOwnFileAtomically(path, FormatSettings(s));
}

void UpdatePathSection(const std::string& path, const SavedPaths& paths)
{
    IniFile ini = IniFile::Open(path);
    ini.WriteString("Path", "ImagePath", paths.imagePath);
    ini.WriteString("Path", "SoundPath", paths.soundPath);
    ini.WriteString("Path", "AppPath", paths.appPath);
    ini.UpdateFile(path);
}

}  // namespace qel::settings
