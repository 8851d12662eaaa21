#include "builder/buildandsend.h"

#include <exception>
#include <filesystem>

#include "base/paths.h"
#include "builder/packagebuild.h"
#include "builder/packagebuilderwindow.h"
#include "builder/packageformat.h"
#include "platform/messagebox.h"
#include "settings/processpaths.h"
#include "settings/saversettings.h"

namespace qel::builder {

std::string ChooseWorkFolder(const std::string& tempPath)
{
    std::string name = "build";
    while (base::FolderExists(tempPath + name))
        name = base::NextNumberedName(name);
    return tempPath + name;
}

void RunBuildAndSend(QWidget* owner, const std::function<void(const std::string& path)>& saveSetup,
                     const PackageDesktop& desktop)
{
    const std::string appPath = settings::Process().appPath;
    for (const char* prepared : {kInstallPak, kSetupPak, kSaverPak, kUninstallPak}) {
        if (!base::FolderExists(appPath + kBuildFolder) ||
            !std::filesystem::is_regular_file(PreparedFile(appPath, prepared))) {
            platform::ShowMessage("Missing Build Files", platform::MessageIcon::Information, owner);
            return;
        }
    }
    // A temporary folder of another user's is never used: then the build gets a private one.
    const std::string shared = base::AddTrailingSlash(settings::Process().tempPath);
    std::string temp;
    std::string work;
    try {
        temp = OwnTempPath(shared);
        work = ChooseWorkFolder(temp);
        base::MakeFolderPath(work);
        saveSetup(work + "/" + settings::kBuildSettingsFileName);
        PackageBuilderWindow window(work + "/", desktop, owner);
        window.exec();
    } catch (const std::exception& e) {
        platform::ReportError(e, owner);
    }
    if (!work.empty())
        base::DeleteQuietly(work);
    if (!temp.empty() && temp != shared)
        base::DeleteQuietly(temp);
}

}  // namespace qel::builder
