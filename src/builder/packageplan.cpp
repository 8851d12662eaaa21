#include "builder/packageplan.h"

#include "base/text.h"
#include "builder/entrynames.h"
#include "builder/packageformat.h"
#include "settings/saversettings.h"

namespace qel::builder {
namespace {

void AddKind(PackagePlan& plan, const std::string& workFolder, const std::vector<std::string>& paths, FileKind kind)
{
    const std::vector<EntryName> names = NameEntries(paths, EntryNamesOf(plan.installIni));
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::string file = paths[i];
        if (names[i].renamed) {
            file = workFolder + names[i].name;
            plan.copies.push_back({paths[i], file});
        }
        plan.files.push_back(file);
        plan.installIni.WriteString(kFilesSection, names[i].name, KindValue(kind));
    }
}

}  // namespace

std::string SaverEntryName(const std::string& name)
{
    return MakeSafeEntryName(name + kSaverExtension);
}

std::set<std::string> EntryNamesOf(const settings::IniFile& installIni)
{
    std::set<std::string> names;
    for (const std::string& key : installIni.ReadSection(kFilesSection))
        names.insert(base::AsciiLower(key));
    return names;
}

PackagePlan PlanPackage(const std::string& name, const std::string& workFolder, const std::string& programFolder,
                        const std::vector<std::string>& images, const std::vector<std::string>& sounds)
{
    PackagePlan plan;
    const std::string saverEntry = SaverEntryName(name);
    plan.installIni.WriteString(kSettingsSection, kSaverNameKey, name);
    plan.installIni.WriteString(kFilesSection, saverEntry, KindValue(FileKind::SaverProgram));
    plan.installIni.WriteString(kFilesSection, settings::kBuildSettingsFileName, KindValue(FileKind::Support));
    plan.installIni.WriteString(kFilesSection, kDecoderLibrary, KindValue(FileKind::Support));
    plan.installIni.WriteString(kFilesSection, kUninstallEntry, KindValue(FileKind::Support));

    plan.saverFile = workFolder + saverEntry;
    plan.uninstallFile = workFolder + kUninstallEntry;
    plan.files = {plan.saverFile, workFolder + settings::kBuildSettingsFileName, programFolder + kDecoderLibrary,
                  plan.uninstallFile};
    AddKind(plan, workFolder, images, FileKind::Picture);
    AddKind(plan, workFolder, sounds, FileKind::Sound);
    return plan;
}

}  // namespace qel::builder
