#include "builder/packagebuild.h"

#include <filesystem>
#include <system_error>

#include "builder/packageformat.h"
#include "builder/packageplan.h"
#include "builder/packagewriter.h"
#include "platform/files.h"
#include "settings/inifile.h"
#include "settings/saversettings.h"
#include "zip/zipformat.h"
#include "zip/zipwriter.h"

namespace qel::builder {
namespace fs = std::filesystem;
namespace {

constexpr int kPackLevel = 8;
constexpr int kCopySteps = 2;  // the uninstaller and the saver program

std::uint64_t SizeOf(const std::string& path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

// Photos and music hardly shrink in an archive: when the files alone would pass the trailer's 32-bit
// offsets the package cannot be made, and the user hears so before minutes of packing.
void CheckRoughSize(const BuildInputs& in, const PackagePlan& plan)
{
    std::uint64_t total = SizeOf(PreparedFile(in.appPath, kSetupPak)) + SizeOf(PreparedFile(in.appPath, kInstallPak));
    for (const std::string& f : plan.files)
        total += SizeOf(f);
    total += SizeOf(PreparedFile(in.appPath, kSaverPak)) + SizeOf(PreparedFile(in.appPath, kUninstallPak));
    if (total > kMaxPieceEnd)
        throw BuildError("The pictures and sounds come to " + std::to_string(total >> 20) +
                         " MB; a package can hold at most 4096 MB. Leave out some pictures or sounds.");
}

void RequireFile(const std::string& path, const char* what)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        throw BuildError("The " + std::string(what) + " \"" + path + "\" is missing.");
}

}  // namespace

std::string PreparedFile(const std::string& appPath, const std::string& name)
{
    return appPath + kBuildFolder + name;
}

void BuildPackage(const BuildInputs& in, const BuildProgress& progress)
{
    // Steps 6 to 9: the file list and what to archive.
    const auto setup = settings::IniFile::Open(in.workFolder + settings::kBuildSettingsFileName);
    PackagePlan plan =
        PlanPackage(in.name, in.workFolder, in.programFolder, setup.ReadSection("Images"), setup.ReadSection("Sounds"));
    for (const PackagePlan::Copy& c : plan.copies) {
        // A picture or sound that cannot be copied is left out of the archive; its key stays.
        std::error_code ec;
        fs::copy_file(c.from, c.to, fs::copy_options::overwrite_existing, ec);
    }
    plan.installIni.UpdateFile(in.workFolder + kInstallIni);
    // Without these the package would install nothing that runs.
    RequireFile(in.programFolder + kDecoderLibrary, "decoder library");
    for (const char* prepared : {kSetupPak, kInstallPak, kSaverPak, kUninstallPak})
        RequireFile(PreparedFile(in.appPath, prepared), "prepared build file");
    CheckRoughSize(in, plan);

    // Step 10: the saver program and the uninstaller, then the archive.
    if (progress.setMaximum)
        progress.setMaximum(int(plan.files.size()) + kCopySteps);
    auto step = [&] {
        if (progress.step)
            progress.step();
    };
    CopyFileInPieces(PreparedFile(in.appPath, kUninstallPak), plan.uninstallFile, progress.idle);
    step();
    CopyFileInPieces(PreparedFile(in.appPath, kSaverPak), plan.saverFile, progress.idle);
    step();

    const std::string archive = in.workFolder + kInstallDat;
    std::error_code ec;
    fs::remove(archive, ec);
    zip::TZipWriter writer;
    writer.ZipName = archive;
    writer.FilesList = plan.files;
    writer.Recurse = false;
    writer.StorePaths = false;
    writer.PackLevel = kPackLevel;
    writer.OnEndZip = [&](zip::TZipWriter&, const std::string&, std::uint64_t, std::uint64_t, std::uint64_t) {
        step();
    };
    writer.DoProcessMessages = progress.idle;
    writer.Zip();

    // Step 11: the package.
    WritePackage(in.packagePath,
                 {PreparedFile(in.appPath, kSetupPak), PreparedFile(in.appPath, kInstallPak),
                  in.workFolder + kInstallIni, archive},
                 progress.idle);
}

}  // namespace qel::builder
