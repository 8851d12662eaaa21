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
    const std::string work = ChooseWorkFolder(settings::Process().tempPath);
    try {
        base::MakeFolderPath(work);
        saveSetup(work + "/" + settings::kBuildSettingsFileName);
        PackageBuilderWindow window(work + "/", desktop, owner);
        window.exec();
    } catch (const std::exception& e) {
        platform::ReportError(e, owner);
    }
    base::DeleteQuietly(work);
}

}  // namespace qel::builder
