#include "app/entry.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>

#include "app/commandline.h"
#include "app/hostmode.h"
#include "app/hosttarget.h"
#include "app/modes.h"
#include "audio/processplayer.h"
#include "platform/environment.h"
#include "platform/foreignwindow.h"
#include "platform/idlemonitor.h"
#include "platform/idlesource.h"
#include "platform/instancelock.h"
#include "platform/messagebox.h"
#include "platform/regularfile.h"
#include "platform/stopnotifier.h"
#include "platform/stopsignals.h"
#include "platform/systemfolders.h"
#include "platform/userfolders.h"
#include "settings/processpaths.h"
#include "settings/saversettings.h"
#include "slideshow/firstpicture.h"

namespace qel::app {
namespace {

inline constexpr const char* kRunLockName = "TamrelQelSaver1";
inline constexpr const char* kEditorLockName = "TamrelQelSaver2";
inline constexpr const char* kIdleServiceLockName = "TamrelQelSaverIdle";

// Whether the window toolkit will use X11 (its default here): only then can the display be asked
// before the toolkit connects.
bool ToolkitUsesX11()
{
    const std::string qpa = platform::Environment("QT_QPA_PLATFORM");
    return qpa.empty() || qpa.substr(0, 3) == "xcb";
}

bool Set(const char* name)
{
    return !platform::Environment(name).empty();
}

class Application {
public:
    Application(int& argc, char** argv) : argc_(argc), argv_(argv) {}

    // Whether the toolkit will find a display; the toolkit ends the process when it cannot, so this
    // is asked first. An X11 display is reached here already, and that connection is held until
    // the toolkit has made its own.
    bool ReachDisplay()
    {
        if (reached_)
            return *reached_;
        if (ToolkitUsesX11()) {
            display_ = std::make_unique<platform::DisplayConnection>();
            // A Wayland session may serve the toolkit without X11.
            reached_ = display_->Connected() || (!Set("QT_QPA_PLATFORM") && Set("WAYLAND_DISPLAY"));
        } else {
            reached_ = true;  // another platform (offscreen, Wayland) answers for itself
        }
        if (!*reached_) {
            if (Set("DISPLAY"))
                std::fprintf(stderr, "QelSaver: cannot connect to the display \"%s\"\n",
                             platform::Environment("DISPLAY").c_str());
            else
                std::fprintf(stderr, "QelSaver: no display to show windows on\n");
        }
        return *reached_;
    }

    // The size of the X11 display, when it was reached before the toolkit was up.
    [[nodiscard]] std::optional<platform::WindowSize> DisplaySize() const
    {
        return display_ ? display_->ScreenSize() : std::nullopt;
    }

    // Creates the application object on first use. Returns nullptr when there is no display.
    QApplication* Get()
    {
        if (!app_) {
            if (!ReachDisplay())
                return nullptr;
            app_ = std::make_unique<QApplication>(argc_, argv_);
            QApplication::setApplicationName(QString::fromUtf8(platform::kMessageCaption));
            display_.reset();  // the toolkit holds a connection of its own now
        }
        return qobject_cast<QApplication*>(app_.get());
    }

    // The application object of a process that opens no window (the idle service): the display
    // must be there for its shows, but the window toolkit is never loaded, which keeps it small.
    // Returns nullptr when there is no display.
    QCoreApplication* GetWithoutWindows()
    {
        if (!app_) {
            if (!ReachDisplay())
                return nullptr;
            app_ = std::make_unique<QCoreApplication>(argc_, argv_);
            QCoreApplication::setApplicationName(QString::fromUtf8(platform::kMessageCaption));
            display_.reset();  // each show connects for itself
        }
        return app_.get();
    }

    // A mode that needed windows found no display.
    [[nodiscard]] bool Failed() const { return reached_ == false; }

private:
    int& argc_;
    char** argv_;
    std::optional<bool> reached_;
    std::unique_ptr<platform::DisplayConnection> display_;
    std::unique_ptr<QCoreApplication> app_;
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

// A saver run by a host, and the idle service and its shows (in the background, where nobody would
// see a message box), report their failures on the error output.
bool Background(const CommandLine& cl)
{
    return cl.mode == Mode::Host || cl.mode == Mode::IdleService || cl.mode == Mode::IdleShow;
}

// `endOnStopSignal`: a stop signal ends the show like an exit input that needs no password.
void RunFullScreen(Application& app, platform::InstanceLock& guard, bool endOnStopSignal)
{
    if (!guard.Acquire(kRunLockName))
        return;
    if (!app.ReachDisplay())
        return;
    // The first picture is decoded while the window toolkit starts.
    auto first = PrepareSaverMode(app.DisplaySize());
    if (!app.Get())
        return;
    std::unique_ptr<platform::StopNotifier> stop;
    if (endOnStopSignal)
        stop = std::make_unique<platform::StopNotifier>([] { QCoreApplication::exit(0); });
    RunSaverMode(std::move(first));
}

// The idle service, once it holds its guard: it needs a display and a source of idle time. Returns
// the exit code.
int RunIdleService(Application& app, const CommandLine& cl)
{
    if (!app.GetWithoutWindows())
        return 1;
    std::string problem;
    auto monitor =
        platform::OpenIdleMonitor(platform::ChooseIdleSources(platform::IdleSessionFromEnvironment()), &problem);
    if (!monitor) {
        std::fprintf(stderr, "QelSaver: the idle service cannot run: %s\n", problem.c_str());
        return 1;
    }
    return RunIdleServiceMode(std::move(monitor), cl.idleAfterSeconds, kRunLockName, {kIdleShowOption});
}

// Returns the exit code.
int Run(const std::vector<std::string>& args, const CommandLine& cl, Application& app)
{
    const std::string first = args.empty() ? std::string("-c") : args[0];
    if (first.empty() || (first[0] != '-' && first[0] != '/'))
        return 0;

    // The settings are looked for where this user keeps them: beside the program, or in the
    // user's own folder when the program's folder is not theirs to write.
    const bool hosted = Background(cl);
    const std::string problem = settings::InitProcessPaths(platform::ProgramFolder());
    if (!problem.empty())
        std::fprintf(stderr, "QelSaver: %s\n", problem.c_str());
    // The service is left running by nobody: its end says that it could not run.
    const int cannotRun = cl.mode == Mode::IdleService ? 1 : 0;
    if (!platform::IsRegularFile(settings::SetupFilePath())) {
        ReportFailure(app, hosted, "Missing config files\r\n\r\n");
        return cannotRun;
    }
    if (!audio::MPEGPlayer()) {
        ReportFailure(app, hosted, "Missing Files\r\n\r\n");
        return cannotRun;
    }

    settings::Process().parentHandle = cl.parentHandle;
    static platform::InstanceLock guard;  // held until the process ends
    switch (cl.mode) {
    case Mode::None: return 0;
    case Mode::Password: RunPasswordMode(cl.parentHandle); return 0;
    case Mode::Configure:
        if (!guard.Acquire(kEditorLockName) || !app.Get())
            return 0;
        RunConfigureMode();
        return 0;
    case Mode::Preview:
        if (!app.Get())
            return 0;
        RunPreviewMode(cl.parentHandle);
        return 0;
    case Mode::Run: RunFullScreen(app, guard, false); return 0;
    case Mode::Host: {
        const HostTarget target = FindHostTarget(cl);
        if (!target.given) {
            // Started by hand with "--root": the show covers the screens as the run mode does.
            RunFullScreen(app, guard, true);
            return 0;
        }
        if (!app.Get())
            return 0;
        RunHostMode(target);
        return 0;
    }
    case Mode::IdleService:
        // One per session: a second one has nothing to do.
        if (!guard.Acquire(kIdleServiceLockName))
            return 0;
        return RunIdleService(app, cl);
    case Mode::IdleShow:
        // The service that started it holds the run mode's guard for it.
        if (!app.Get())
            return 0;
        RunIdleShowMode();
        return 0;
    }
    return 0;
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
    if (!cl.error.empty()) {
        std::fprintf(stderr, "QelSaver: %s\n", cl.error.c_str());
        return 2;
    }
    if (Background(cl)) {
        // Before the first thread: hosts stop their savers with a signal (and a session its
        // services, and the idle service its shows), and may start them without the session's
        // runtime folder, where the sound server and our locks live.
        platform::CatchStopSignals();
        platform::RestoreRuntimeFolderVariable();
        // A show whose service is gone (killed) would cover the screens with nobody to end it.
        if (cl.mode == Mode::IdleShow)
            platform::StopWithParent();
    }
    int code = 0;
    try {
        // The player exists before any window, when its library lies beside the program.
        const std::string why = audio::CreateProcessMPEGPlayer(platform::ProgramFolder());
        if (!why.empty())
            std::fprintf(stderr, "QelSaver: %s\n", why.c_str());
        code = Run(args, cl, app);
    } catch (const std::exception& e) {
        // An error no window caught: reported as every other failure of the mode, then the
        // program ends normally (the idle service, which nobody watches, with a failure).
        ReportFailure(app, Background(cl), e.what(), platform::MessageIcon::Error);
        code = cl.mode == Mode::IdleService ? 1 : 0;
    } catch (...) {
        ReportFailure(app, Background(cl), "Unexpected error", platform::MessageIcon::Error);
        code = cl.mode == Mode::IdleService ? 1 : 0;
    }
    audio::ReleaseProcessMPEGPlayer();
    return app.Failed() ? 1 : code;
}

}  // namespace qel::app
