// The installer program, "setup.pak": it heads every package and installs the saver the package holds.
// It reads the package from its own file. With a display it shows its window (loaded from install.pak
// when the system has the window toolkit); otherwise, or with --quiet, it works on the command line.
// It needs nothing but the C and C++ runtime and zlib, so it can say on any system what is missing.

#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "builder/packagedescription.h"
#include "builder/packagereader.h"
#include "installer/installation.h"
#include "installer/installerresources.h"
#include "installer/requirements.h"
#include "installer/setupsession.h"
#include "platform/environment.h"
#include "platform/libraries.h"
#include "platform/process.h"
#include "platform/safefiles.h"
#include "platform/stopsignals.h"
#include "platform/systemfolders.h"
#include "zip/bytesource.h"

namespace qel::installer {
using base::Printable;
namespace {

constexpr int kExitInstalled = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr const char* kCaption = "Qel ScreenSaver";
constexpr int kPercent = 100;

const char* const kUsage =
    "usage: %s [--target DIR] [--quiet] [--activate]\n"
    "       %s --list | --check | --help\n"
    "\n"
    "Installs the screen saver this package holds, for you alone: into a folder named after it in\n"
    "your data folder (%s), with an uninstaller beside it.\n"
    "\n"
    "  --target DIR  install into DIR (a new or empty folder, or an earlier install) instead\n"
    "  --quiet       no window and no questions; progress and errors on the terminal\n"
    "  --activate    make it your screen saver without asking (with --quiet: only then)\n"
    "  --list        show what the package holds\n"
    "  --check       check the package and this system without installing anything\n"
    "  --help        show this text\n";

struct Options {
    bool list = false;
    bool check = false;
    bool quiet = false;
    bool activate = false;
    bool help = false;
    std::string target;
};

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--list")
            o.list = true;
        else if (a == "--check")
            o.check = true;
        else if (a == "--quiet")
            o.quiet = true;
        else if (a == "--activate")
            o.activate = true;
        else if (a == "--help" || a == "-h")
            o.help = true;
        else if (a == "--target" && i + 1 < argc)
            o.target = argv[++i];
        else
            return false;
    }
    return true;
}

std::string ProgramName(const char* argv0)
{
    const char* slash = std::strrchr(argv0, '/');
    return slash ? slash + 1 : argv0;
}

// An error the user must see, also when the installer was started from a file manager.
int Fail(const Options& o, const std::string& text)
{
    std::fprintf(stderr, "%s\n", Printable(text).c_str());
    if (!o.quiet && !platform::InputIsTerminal() && platform::HasDisplay())
        platform::ShowMessageWithoutToolkit(kCaption, text);
    return kExitFailed;
}

bool AskOnTerminal(const std::string& question, bool byDefault)
{
    std::printf("%s %s ", question.c_str(), byDefault ? "[Y/n]" : "[y/N]");
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer) || answer.empty())
        return byDefault;
    return answer[0] == 'y' || answer[0] == 'Y';
}

// The same checks as an install, the same plan included, without writing anything.
int Check(const builder::PackageReader& package, const InstallerResources& resources, const std::string& target)
{
    if (!package.Usable()) {
        std::fprintf(stderr, "The package is damaged:\n%s\n", Printable(package.FatalProblems()).c_str());
        return kExitFailed;
    }
    try {
        const Installation plan(package, target);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", Printable(e.what()).c_str());
        return kExitFailed;
    }
    // Every entry is unpacked (and thrown away) so that its size and CRC are checked too.
    try {
        for (const builder::PackageFile& f : package.Files()) {
            if (f.entry)
                package.Archive()->Extract(*f.entry, [](const std::uint8_t*, std::size_t) {});
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "The package is damaged:\n%s\n", Printable(e.what()).c_str());
        return kExitFailed;
    }
    for (const builder::PackageProblem& p : package.Problems())
        std::printf("note: %s\n", Printable(p.text).c_str());
    const auto missing = CheckRequirements(resources.Needs());
    if (!missing.empty()) {
        std::fprintf(stderr, "The package is sound, but:\n%s\n", MissingMessage(missing).c_str());
        return kExitFailed;
    }
    std::printf("The package is sound and this system has what \"%s\" needs.\n",
                Printable(package.SaverName()).c_str());
    return kExitInstalled;
}

// The window, when the system has its toolkit: loaded from install.pak through a private folder.
// Returns nothing when it cannot be shown (the command line takes over).
std::optional<int> RunWindow(SetupSession& session, const InstallerResources& resources, int argc, char** argv)
{
    std::string folder;
    try {
        folder = platform::MakePrivateFolder(platform::SystemTempFolder(), "qelsaver-setup-");
        const auto path = resources.ExtractWindow(folder);
        if (!path) {
            base::DeleteQuietly(folder);
            return std::nullopt;
        }
        platform::LoadedLibrary window(*path);
        // Loaded: the file is no longer needed.
        base::DeleteQuietly(folder);
        auto run = reinterpret_cast<RunInstallerWindowFn>(window.Symbol(kRunInstallerWindowSymbol));
        if (!run)
            return std::nullopt;
        return run(&session, argc, argv);
    } catch (const std::exception& e) {
        if (!folder.empty())
            base::DeleteQuietly(folder);
        std::fprintf(stderr, "The installer's window cannot be shown (%s); installing on the command line.\n",
                     e.what());
        return std::nullopt;
    }
}

int RunOnTerminal(SetupSession& session, const Options& o)
{
    const bool ask = !o.quiet && platform::InputIsTerminal();
    std::printf("%s\n", Printable(session.Summary()).c_str());
    for (const std::string& note : session.Notes())
        std::printf("note: %s\n", Printable(note).c_str());
    if (ask && !AskOnTerminal("Install it?", true))
        return kExitFailed;
    // The percentage is redrawn in place on a terminal; a log gets no such line.
    const bool showProgress = platform::ErrorOutputIsTerminal();
    int shown = -1;
    try {
        session.Install([&](std::uint64_t done, std::uint64_t total) {
            const int percent = total == 0 ? kPercent : int(done * kPercent / total);
            if (showProgress && percent != shown) {
                shown = percent;
                std::fprintf(stderr, "\rInstalling: %3d%%", percent);
            }
        });
        if (showProgress)
            std::fprintf(stderr, "\n");
        if (platform::StopSignalReceived())
            return Fail(o, "Stopped. " + session.Result());
    } catch (const std::exception& e) {
        if (showProgress)
            std::fprintf(stderr, "\n");
        return Fail(o, e.what());
    }
    std::printf("%s\n", Printable(session.Result()).c_str());
    std::string why;
    bool activate = o.activate;
    if (!activate && ask && !session.StaysActive() && session.CanActivate(why))
        activate = AskOnTerminal("Make \"" + Printable(session.SaverName()) + "\" your screen saver now?", false);
    if (activate) {
        // Installed, but not made the screen saver as asked: the step failed, and the exit status says so.
        if (!session.CanActivate(why)) {
            std::fprintf(stderr, "%s\n", Printable(why).c_str());
            return kExitFailed;
        }
        try {
            std::printf("%s\n", Printable(session.Activate()).c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", Printable(e.what()).c_str());
            return kExitFailed;
        }
    }
    return kExitInstalled;
}

int Run(int argc, char** argv)
{
    Options o;
    const std::string name = ProgramName(argv[0]);
    if (!ParseOptions(argc, argv, o) || o.help) {
        std::string folder;
        try {
            folder = SaversFolder();
        } catch (const InstallError&) {
            folder = "~/.local/share/qelsaver/savers";
        }
        std::fprintf(o.help ? stdout : stderr, kUsage, name.c_str(), name.c_str(), folder.c_str());
        return o.help ? kExitInstalled : kExitUsage;
    }
    // The package is this very file: read through the process's own handle on it, so that renaming
    // or deleting it meanwhile changes nothing.
    std::unique_ptr<zip::FileSource> self;
    try {
        self = std::make_unique<zip::FileSource>("/proc/self/exe", name);
    } catch (const std::exception& e) {
        return Fail(o, std::string("Cannot read the package itself: ") + e.what());
    }
    const builder::PackageReader package(*self);
    const InstallerResources resources(package.InstallPak());
    if (o.list) {
        std::printf("%s", Printable(builder::DescribePackage(package, {true, false, false})).c_str());
        return package.Usable() ? kExitInstalled : kExitFailed;
    }
    if (o.check)
        return Check(package, resources, o.target);

    if (!package.Usable())
        return Fail(o, "This package is damaged and cannot be installed:\n" + package.FatalProblems());
    const auto missing = CheckRequirements(resources.Needs());
    if (!missing.empty())
        return Fail(o, MissingMessage(missing));
    try {
        SetupSession session(package, resources, o.target);
        if (!o.quiet && platform::HasDisplay()) {
            if (auto result = RunWindow(session, resources, argc, argv))
                return *result;
        }
        return RunOnTerminal(session, o);
    } catch (const std::exception& e) {
        return Fail(o, e.what());
    }
}

}  // namespace
}  // namespace qel::installer

int main(int argc, char** argv)
{
    return qel::installer::Run(argc, argv);
}
