// What each mode runs.

#include "app/modes.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include <QApplication>

#include "app/idleservice.h"
#include "editor/setupwindow.h"
#include "platform/foreignwindow.h"
#include "platform/password.h"
#include "platform/sessionlock.h"
#include "platform/stopnotifier.h"
#include "settings/processpaths.h"
#include "settings/saversettings.h"
#include "slideshow/firstpicture.h"
#include "slideshow/previewwindow.h"
#include "slideshow/slideshowsession.h"

namespace qel::app {
namespace {

// The system is told that a screen saver runs for exactly as long as this lives.
class ScreenSaverRunning {
public:
    ScreenSaverRunning() { platform::SetScreenSaverRunning(true); }
    ~ScreenSaverRunning() { platform::SetScreenSaverRunning(false); }
    ScreenSaverRunning(const ScreenSaverRunning&) = delete;
    ScreenSaverRunning& operator=(const ScreenSaverRunning&) = delete;
};

}  // namespace

void RunPasswordMode(WindowHandle parent)
{
    platform::ChangeSaverPassword(parent);
}

void RunConfigureMode()
{
    editor::SetupWindow window;
    window.show();
    QApplication::exec();
}

void RunPreviewMode(WindowHandle parent)
{
    // No window to live in (handle 0, or a window that does not exist): nothing to show.
    const auto size = platform::ForeignWindowSize(parent);
    if (!size)
        return;
    slideshow::PreviewWindow preview(parent, size->width, size->height, settings::SystemSetupFilePath());
    preview.Run();
}

std::unique_ptr<slideshow::FirstPicture> PrepareSaverMode(std::optional<platform::WindowSize> display)
{
    if (!display)
        return nullptr;
    return std::make_unique<slideshow::FirstPicture>(
        settings::LoadSettings(settings::SetupFilePath(), settings::SettingsReader::Slideshow),
        slideshow::NewSharedDraws(), display->width, display->height);
}

void RunSaverMode(std::unique_ptr<slideshow::FirstPicture> first)
{
    // No window of the mode's own is ever shown: it could take the focus from the show and end it.
    const ScreenSaverRunning running;
    slideshow::SlideshowSession show(settings::SetupFilePath(), std::move(first));
    show.Run();
}

int RunIdleServiceMode(std::unique_ptr<platform::IdleMonitor> monitor, std::optional<int> idleAfterSeconds,
                       const std::string& showLockName, const std::vector<std::string>& showArguments)
{
    const platform::StopNotifier stop([] { QCoreApplication::exit(0); });
    // A few seconds for the desktop's locker to come up before the show gives way without it.
    constexpr std::chrono::seconds kLockWait{5};
    IdleService service(settings::SetupFilePath(), std::move(monitor), showLockName, ShowProgram{{}, showArguments},
                        platform::MakeLoginManagerLocker(kLockWait));
    service.Start(idleAfterSeconds);
    return QCoreApplication::exec();
}

void RunIdleShowMode()
{
    slideshow::SlideshowSession show(settings::SetupFilePath());
    bool told = false;
    show.OnExitInput([&] {
        if (!show.Settings().lockOnResume)
            return true;
        if (!told) {
            std::printf("%s\n", kShowUserBackLine);
            std::fflush(stdout);
            told = true;
        }
        return false;  // the service ends the show once the session is locked
    });
    const platform::StopNotifier stop([&show] { show.End(); });
    show.Run();
}

}  // namespace qel::app
