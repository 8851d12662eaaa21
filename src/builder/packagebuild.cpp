#include "builder/packagebuild.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/paths.h"
#include "builder/packageformat.h"
#include "builder/packageplan.h"
#include "builder/packagewriter.h"
#include "platform/files.h"
#include "platform/folderhandle.h"
#include "platform/safefiles.h"
#include "platform/systemfolders.h"
#include "settings/inifile.h"
#include "settings/listentries.h"
#include "settings/saversettings.h"
#include "zip/zipformat.h"
#include "zip/zipwriter.h"

namespace qel::builder {
namespace fs = std::filesystem;
namespace {

constexpr int kPackLevel = 8;
constexpr int kCopySteps = 2;             // the uninstaller and the saver program
constexpr std::size_t kSupportFiles = 4;  // the saver program, the settings, the decoder library, the uninstaller

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

// Why `path` cannot be archived; empty when it is a file (links followed) that can.
std::string WhyLeftOut(const std::string& path)
{
    std::error_code ec;
    const auto st = fs::status(path, ec);
    if (!fs::exists(st))
        return "it does not exist";
    if (fs::is_directory(st))
        return "it is a folder";
    if (!fs::is_regular_file(st))
        return "it is not a regular file (a pipe or a device)";
    return {};
}

// install.ini holds the name on a line of its own: a line break would start lines of its own.
void RefuseControlCharacters(const std::string& name)
{
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            throw BuildError("The screen saver's name has a line break or another control character; type the name "
                             "again without it.");
    }
}

}  // namespace

std::string MakeWorkFolder()
{
    return base::AddTrailingSlash(platform::MakePrivateFolder(platform::SystemTempFolder(), "qelsaver-build-"));
}

std::string OwnTempPath(const std::string& tempPath)
{
    constexpr mode_t kOthersMayWrite = 022;
    try {
        base::MakeFolderPath(tempPath);
        const platform::EntryStatus s = platform::FolderHandle::Open(tempPath).Status();
        if (s.owner == platform::UserId() && (s.mode & kOthersMayWrite) == 0)
            return base::AddTrailingSlash(tempPath);
    } catch (const std::exception&) {
    }
    return MakeWorkFolder();
}

std::string PreparedFile(const std::string& appPath, const std::string& name)
{
    return appPath + kBuildFolder + name;
}

BuildResult BuildPackage(const BuildInputs& in, const BuildProgress& progress)
{
    RefuseControlCharacters(in.name);
    // Steps 6 to 9: the file list and what to archive.
    const std::string setupFile = in.workFolder + settings::kBuildSettingsFileName;
    const auto setup = settings::IniFile::Open(setupFile);
    // A package built from part of the settings would install another show than the user's.
    if (!setup.Problem().empty())
        throw BuildError("The settings \"" + setupFile + "\" could not be read whole (" + setup.Problem() +
                         "), so no package is built from them.");
    const std::vector<std::string> images = setup.ReadSection("Images");
    const std::vector<std::string> sounds = setup.ReadSection("Sounds");
    PackagePlan plan = PlanPackage(in.name, in.workFolder, in.programFolder, images, sounds);
    // A picture or sound that is no file to archive, or whose path the settings cannot hold, is left
    // out and named; its key stays.
    BuildResult result;
    std::vector<std::string> originals(kSupportFiles);  // the support files come first
    for (const char* section : {"Images", "Sounds"}) {
        for (std::string& entry : settings::ReadListEntries(setup, section))
            originals.push_back(std::move(entry));
    }
    std::vector<std::string> archived;
    const std::size_t listed = plan.files.size();  // the bar counts every file of the list Z
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        if (i < kSupportFiles || i >= originals.size()) {
            archived.push_back(plan.files[i]);
            continue;
        }
        const std::string& original = originals[i];
        if (const std::string why = settings::WhyListCannotHold(original); !why.empty()) {
            result.leftOut.push_back("\"" + original + "\" is left out: its path has " + why +
                                     ", which the settings cannot hold. Rename the file or its folder and add it "
                                     "again.");
            continue;
        }
        const std::string why = WhyLeftOut(original);
        if (!why.empty())
            result.leftOut.push_back("\"" + original + "\" is left out: " + why + ".");
        else
            archived.push_back(plan.files[i]);
    }
    plan.files = std::move(archived);
    for (const PackagePlan::Copy& c : plan.copies) {
        if (std::find(plan.files.begin(), plan.files.end(), c.to) == plan.files.end())
            continue;  // left out above
        std::error_code ec;
        fs::copy_file(c.from, c.to, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            result.leftOut.push_back("\"" + c.from + "\" is left out: " + ec.message() + ".");
            std::erase(plan.files, c.to);
        }
    }
    plan.installIni.UpdateFile(in.workFolder + kInstallIni);
    // Without these the package would install nothing that runs.
    RequireFile(in.programFolder + kDecoderLibrary, "decoder library");
    for (const char* prepared : {kSetupPak, kInstallPak, kSaverPak, kUninstallPak})
        RequireFile(PreparedFile(in.appPath, prepared), "prepared build file");
    CheckRoughSize(in, plan);

    // Step 10: the saver program and the uninstaller, then the archive.
    if (progress.setMaximum)
        progress.setMaximum(int(listed) + kCopySteps);
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
    return result;
}

}  // namespace qel::builder
