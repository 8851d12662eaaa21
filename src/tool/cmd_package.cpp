// qelsaver-tool package build SETTINGS NAME OUT: builds a self-installing package as the builder
// window does (steps 6 to 11 of its build), from a settings file, with the progress on stderr.
// qelsaver-tool package inspect FILE: the package's trailer, install.ini and archive entries, and every
// inconsistency found (exit status 1 when the package could not be installed). Control characters in
// names are shown as "\xNN".

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "builder/packagebuild.h"
#include "builder/packagedescription.h"
#include "builder/packagereader.h"
#include "platform/safefiles.h"
#include "platform/systemfolders.h"
#include "settings/processpaths.h"
#include "settings/saversettings.h"
#include "toolcommand.h"
#include "zip/bytesource.h"

namespace qel::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxNameLength = 20;  // as the builder window's name field

// The work folder of one build, deleted whatever happens.
class WorkFolder {
public:
    WorkFolder() : path_(builder::MakeWorkFolder()) {}
    ~WorkFolder() { base::DeleteQuietly(path_); }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    [[nodiscard]] const std::string& Path() const { return path_; }

private:
    std::string path_;
};

int Build(const std::vector<std::string>& args)
{
    if (args.size() != 3)
        throw UsageError{"expected SETTINGS NAME OUT"};
    const std::string& name = args[1];
    if (name.empty())
        throw UsageError{"Please fill in Screensaver Name."};
    if (name.size() > kMaxNameLength)
        throw UsageError{"NAME has at most " + std::to_string(kMaxNameLength) + " characters"};
    std::error_code ec;
    if (!fs::is_regular_file(args[0], ec))
        throw std::runtime_error("\"" + args[0] + "\" is not a settings file");
    settings::InitProcessPaths(platform::ProgramFolder());

    const WorkFolder work;
    fs::copy_file(args[0], work.Path() + settings::kBuildSettingsFileName);
    builder::BuildInputs in;
    in.name = name;
    in.workFolder = work.Path();
    in.programFolder = settings::Process().programFolder;
    in.appPath = settings::Process().appPath;
    in.packagePath = fs::absolute(args[2]).string();
    int maximum = 0;
    int position = 0;
    builder::BuildProgress progress;
    progress.setMaximum = [&](int m) { maximum = m; };
    progress.step = [&] { std::fprintf(stderr, "progress %d/%d\n", ++position, maximum); };
    for (const std::string& line : builder::BuildPackage(in, progress).leftOut)
        std::fprintf(stderr, "%s\n", base::Printable(line).c_str());
    std::printf("%s\n", in.packagePath.c_str());
    return 0;
}

int Inspect(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        throw UsageError{"expected one FILE"};
    const zip::FileSource file(args[0]);
    const builder::PackageReader package(file);
    std::string text = builder::DescribePackage(package);
    // Every entry is unpacked too, so that damaged data shows.
    bool damaged = false;
    if (package.Archive()) {
        for (const zip::ZipEntry& e : package.Archive()->Entries()) {
            try {
                package.Archive()->Extract(e, [](const std::uint8_t*, std::size_t) {});
            } catch (const std::exception& error) {
                text += std::string("  error: ") + error.what() + "\n";
                damaged = true;
            }
        }
    }
    // Names come from the package: an escape sequence in one must not act on the terminal.
    std::printf("%s", base::Printable(text).c_str());
    return package.Usable() && !damaged ? 0 : 1;
}

int Package(const std::vector<std::string>& args)
{
    if (args.empty())
        throw UsageError{"expected build or inspect"};
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "build")
        return Build(rest);
    if (args[0] == "inspect")
        return Inspect(rest);
    throw UsageError{"unknown package command: " + args[0]};
}

ToolCommand reg("package", "package build SETTINGS NAME OUT | package inspect FILE", &Package);

}  // namespace
}  // namespace qel::tool
