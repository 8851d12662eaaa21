#include "app/entry.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>

#include "app/commandline.h"
#include "app/hostmode.h"
#include "app/hosttarget.h"
#include "app/modes.h"
#include "audio/processplayer.h"
#include "platform/instancelock.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/stopnotifier.h"
#include "platform/stopsignals.h"
#include "platform/userfolders.h"
#include "settings/processpaths.h"
#include "settings/saversettings.h"
#include "slideshow/firstpicture.h"

namespace qel::app {
namespace {

inline constexpr const char* kRunLockName = "TamrelQelSaver1";
inline constexpr const char* kEditorLockName = "TamrelQelSaver2";

// Qt ends the process when it cannot reach a display; say so plainly instead.
bool DisplayAvailable()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v && *v)
            return true;
    }
    return false;
}

class Application {
public:
    Application(int& argc, char** argv) : argc_(argc), argv_(argv) {}

    // Creates the application object on first use. Returns nullptr when there is no display.
    QApplication* Get()
    {
        if (!app_) {
            if (!DisplayAvailable()) {
                std::fprintf(stderr, "QelSaver: no display to show windows on\n");
                return nullptr;
            }
            app_ = std::make_unique<QApplication>(argc_, argv_);
            QApplication::setApplicationName(QString::fromUtf8(platform::kMessageCaption));
        }
        return app_.get();
    }

private:
    int& argc_;
    char** argv_;
    std::unique_ptr<QApplication> app_;
};

// How every failure of a mode reaches the user: a message box (or the message log), or the error
// output for a saver run by a host or when there is no display. A host covers the screen and holds
// the keyboard and mouse, so nobody could close a box; hosts keep their savers' error output instead.
void ReportFailure(Application& app, bool hosted, const std::string& text,
                   platform::MessageIcon icon = platform::MessageIcon::Information)
{
    if (!platform::MessagesLogged() && (hosted || !app.Get())) {
        std::fprintf(stderr, "QelSaver: %s\n", text.c_str());
        return;
    }
    platform::ShowMessage(text, icon);
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// `endOnStopSignal`: a stop signal ends the show like an exit input that needs no password.
void RunFullScreen(Application& app, platform::InstanceLock& guard, bool endOnStopSignal)
{
    if (!guard.Acquire(kRunLockName))
        return;
    // The first picture is decoded while the window toolkit starts.
    auto first = PrepareSaverMode();
    if (!app.Get())
        return;
    std::unique_ptr<platform::StopNotifier> stop;
    if (endOnStopSignal)
        stop = std::make_unique<platform::StopNotifier>([] { QCoreApplication::exit(0); });
    RunSaverMode(std::move(first));
}

void Run(const std::vector<std::string>& args, const CommandLine& cl, Application& app)
{
    const std::string first = args.empty() ? std::string("-c") : args[0];
    if (first.empty() || (first[0] != '-' && first[0] != '/'))
        return;

    // The settings are looked for where this user keeps them: beside the program, or in the
    // user's own folder when the program's folder is not theirs to write.
    const bool hosted = cl.mode == Mode::Host;
    const std::string problem = settings::InitProcessPaths(platform::ProgramFolder());
    if (!problem.empty())
        std::fprintf(stderr, "QelSaver: %s\n", problem.c_str());
    if (!FileExists(settings::SetupFilePath())) {
        ReportFailure(app, hosted, "Missing config files\r\n\r\n");
        return;
    }
    if (!audio::MPEGPlayer()) {
        ReportFailure(app, hosted, "Missing Files\r\n\r\n");
        return;
    }

    settings::Process().parentHandle = cl.parentHandle;
    static platform::InstanceLock guard;  // held until the process ends
    switch (cl.mode) {
    case Mode::None: return;
    case Mode::Password: RunPasswordMode(cl.parentHandle); return;
    case Mode::Configure:
        if (!guard.Acquire(kEditorLockName) || !app.Get())
            return;
        RunConfigureMode();
        return;
    case Mode::Preview:
        if (!app.Get())
            return;
        RunPreviewMode(cl.parentHandle);
        return;
    case Mode::Run: RunFullScreen(app, guard, false); return;
    case Mode::Host: {
        const HostTarget target = FindHostTarget(cl);
        if (!target.given) {
            // Started by hand with "--root": the show covers the screens as the run mode does.
            RunFullScreen(app, guard, true);
            return;
        }
        if (!app.Get())
            return;
        RunHostMode(target);
        return;
    }
    }
}

}  // namespace

int RunProgram(int argc, char** argv)
{
    const std::vector<std::string> args =
        argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
    if (const std::string text = InformationText(args); !text.empty()) {
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    Application app(argc, argv);
    const CommandLine cl = ParseCommandLine(args);
    if (cl.mode == Mode::Host) {
        // Before the first thread: hosts stop their savers with a signal, and may start them
        // without the session's runtime folder, where the sound server and our locks live.
        platform::CatchStopSignals();
        platform::RestoreRuntimeFolderVariable();
    }
    try {
        // The player exists before any window, when its library lies beside the program.
        const std::string why = audio::CreateProcessMPEGPlayer(platform::ProgramFolder());
        if (!why.empty())
            std::fprintf(stderr, "QelSaver: %s\n", why.c_str());
        Run(args, cl, app);
    } catch (const std::exception& e) {
        // An error no window caught: reported as every other failure of the mode, then the
        // program ends normally.
        ReportFailure(app, cl.mode == Mode::Host, e.what(), platform::MessageIcon::Error);
    } catch (...) {
        ReportFailure(app, cl.mode == Mode::Host, "Unexpected error", platform::MessageIcon::Error);
    }
    audio::ReleaseProcessMPEGPlayer();
    return 0;
}

}  // namespace qel::app
