#include "settings/processpaths.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/paths.h"
#include "platform/safefiles.h"
#include "platform/systemfolders.h"
#include "platform/userfolders.h"
#include "settings/inifile.h"
#include "settings/saversettings.h"

namespace qel::settings {
namespace {

namespace fs = std::filesystem;

inline constexpr const char* kUserSettingsFolderName = "qelsaver";
inline constexpr mode_t kSettingsFileMode = 0644;
inline constexpr const char* kWorkFolderPrefix = ".qelsetup-";

// Puts a copy of `from` at `to` in one step, unless something has that name already: two saver
// processes starting at once (one per screen) may both come here, and neither may see half a file.
void CopyIfAbsent(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    if (!in)
        throw platform::FileError(platform::FileError::Kind::Other, "Cannot read \"" + from + "\"");
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    if (in.bad())
        throw platform::FileError(platform::FileError::Kind::Other, "Cannot read \"" + from + "\"");

    const std::string folder = fs::path(to).parent_path().string();
    std::string workFolder;
    std::error_code ec;
    try {
        workFolder = platform::MakePrivateFolder(folder, kWorkFolderPrefix);
        platform::NewFile file(workFolder + "/" + kSettingsFileName, kSettingsFileMode);
        file.Write(bytes.data(), bytes.size());
        file.Close();
        platform::MoveWithoutReplacing(file.Path(), to);
    } catch (const platform::FileError&) {
        if (!workFolder.empty())
            fs::remove_all(workFolder, ec);
        // Another process got there first: its copy is as good as ours.
        if (!fs::exists(fs::symlink_status(to, ec)))
            throw;
        return;
    }
    fs::remove_all(workFolder, ec);
}

const std::string& SettingsFolder()
{
    const ProcessValues& p = Process();
    return p.settingsPath.empty() ? p.programFolder : p.settingsPath;
}

}  // namespace

ProcessValues& Process()
{
    static ProcessValues values;
    return values;
}

std::string PrepareSettingsFolder(const std::string& programFolder, std::string* problem)
{
    const std::string beside = base::AddTrailingSlash(programFolder);
    if (platform::FolderWritable(beside))
        return beside;
    return PrepareUserSettingsFolder(beside, problem);
}

std::string PrepareUserSettingsFolder(const std::string& programFolder, std::string* problem)
{
    const std::string beside = base::AddTrailingSlash(programFolder);
    const std::string config = platform::UserConfigFolder();
    auto fail = [&](const std::string& why) {
        if (problem)
            *problem = why;
        return beside;
    };
    if (config.empty())
        return fail("no home folder to keep the settings in");

    const std::string folder = base::AddTrailingSlash(config) + kUserSettingsFolderName + "/";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (std::error_code isFolder; !fs::is_directory(folder, isFolder))
        return fail("cannot create the settings folder \"" + folder + "\"" + (ec ? ": " + ec.message() : ""));

    const std::string own = folder + kSettingsFileName;
    const std::string shared = beside + kSettingsFileName;
    if (fs::exists(fs::symlink_status(own, ec)) || !fs::exists(shared, ec))
        return folder;
    try {
        CopyIfAbsent(shared, own);
    } catch (const platform::FileError& e) {
        return fail(std::string(e.what()));
    }
    return folder;
}

std::string InitProcessPaths(const std::string& programFolder)
{
    ProcessValues& p = Process();
    p.programFolder = base::AddTrailingSlash(programFolder);
    std::string problem;
    p.settingsPath = PrepareSettingsFolder(p.programFolder, &problem);
    {
        auto ini = IniFile::Open(SetupFilePath());
        p.appPath = base::AddTrailingSlash(ini.ReadString("Path", "AppPath", p.programFolder));
    }
    p.tempPath = base::AddTrailingSlash(platform::SystemTempFolder()) + "QelSaver/";
    return problem;
}

std::string SetupFilePath()
{
    return SettingsFolder() + kSettingsFileName;
}

std::string PreviewFilePath()
{
    return SettingsFolder() + kPreviewFileName;
}

std::string SystemSetupFilePath()
{
    return base::AddTrailingSlash(platform::SystemFolder()) + kSystemSettingsFileName;
}

}  // namespace qel::settings
