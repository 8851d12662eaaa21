// The host mode: where the show goes, who plays the music, and where the pictures resume.

#include "app/hostmode.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "app/resumepoint.h"
#include "pictureshow/random.h"
#include "platform/foreignwindow.h"
#include "platform/instancelock.h"
#include "platform/stopnotifier.h"
#include "platform/stopsignals.h"
#include "settings/processpaths.h"
#include "settings/saversettings.h"
#include "slideshow/hostwindow.h"

namespace qel::app {
namespace {

// The lock of the process that leads the ones a host starts together: it plays the music and
// records where the pictures are.
inline constexpr const char* kLeaderLockName = "QelSaverHost";
// How often the others look whether the leader has gone (its monitor was switched off), to take
// over the music.
constexpr int kLeaderRetryMs = 2000;

struct ScreenSize {
    int width = 0;
    int height = 0;
};

ScreenSize SmallestScreen()
{
    ScreenSize smallest{std::numeric_limits<int>::max(), std::numeric_limits<int>::max()};
    bool any = false;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QSize size = s->geometry().size() * s->devicePixelRatio();
        if (size.isEmpty())
            continue;
        any = true;
        if (size.width() * size.height() < smallest.width * std::int64_t(smallest.height))
            smallest = {size.width(), size.height()};
    }
    return any ? smallest : ScreenSize{};
}

}  // namespace

void RunHostMode(const HostTarget& target)
{
    // Stopped already while starting; or the host's window is gone, and the host with it.
    if (platform::StopSignalReceived())
        return;
    const auto size = platform::ForeignWindowSize(target.window);
    if (!size)
        return;
    const ScreenSize smallest = SmallestScreen();
    const bool preview =
        target.settingsDialog || PreviewSized(size->width, size->height, smallest.width, smallest.height);

    const settings::SaverSettings settings =
        settings::LoadSettings(settings::SetupFilePath(), settings::SettingsReader::Slideshow);
    const std::vector<std::string>& pictures = settings.images;
    const std::string resumeFile = ResumeFilePath();
    int last = ReadLastShown(resumeFile, pictures).value_or(-1);
    const ResumedOrder order =
        ResumeAfter(pictures, settings.RandomPictures(), last, [](int n) { return pictureshow::Random(n); });

    // Held until the process ends; the kernel lets it go when the process dies in any way.
    static platform::InstanceLock leaderLock;
    bool leading = !preview && leaderLock.Acquire(kLeaderLockName);

    slideshow::HostWindow::Config config;
    config.parent = target.window;
    config.width = size->width;
    config.height = size->height;
    config.settings = settings;
    config.pictures = order.pictures;
    config.draw = order.draw;
    config.fitAlways = preview;
    int written = last;  // a single picture coming in again is not written again
    config.pictureShown = [&](const std::string& path) {
        last = ShownIndex(pictures, last, path);
        if (leading && last >= 0 && last != written) {
            WriteLastShown(resumeFile, pictures, last);
            written = last;
        }
    };
    slideshow::HostWindow window(std::move(config));
    if (leading)
        window.StartMusic();

    QTimer leaderRetry;
    if (!preview && !leading) {
        leaderRetry.setInterval(kLeaderRetryMs);
        QObject::connect(&leaderRetry, &QTimer::timeout, [&] {
            if (!leaderLock.Acquire(kLeaderLockName))
                return;
            leading = true;
            leaderRetry.stop();
            window.StartMusic();
        });
        leaderRetry.start();
    }

    const platform::StopNotifier stop([&window] { window.Stop(); });
    window.Run();
}

}  // namespace qel::app
