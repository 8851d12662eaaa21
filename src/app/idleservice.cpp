#include "app/idleservice.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <QTimer>

#include "slideshow/slideshowsession.h"
#include "slideshow/slideshowwindow.h"

namespace qel::app {

std::chrono::milliseconds IdleWait(std::optional<int> idleAfterSeconds, const settings::SaverSettings& settings)
{
    if (idleAfterSeconds)
        return std::chrono::seconds(*idleAfterSeconds);
    // A value set in the program rather than read from a file may be out of range.
    return std::chrono::minutes(std::clamp(settings.idleMinutes, 1, 120));
}

IdleService::IdleService(std::string settingsFile, std::unique_ptr<platform::IdleMonitor> monitor,
                         std::string showLockName, std::unique_ptr<platform::SessionLocker> locker)
    : settingsFile_(std::move(settingsFile)), monitor_(std::move(monitor)), showLockName_(std::move(showLockName)),
      locker_(std::move(locker))
{
}

IdleService::~IdleService()
{
    locker_.reset();  // no answer comes for a show that is gone
    show_.reset();
    monitor_.reset();
}

void IdleService::Start(std::optional<int> idleAfterSeconds)
{
    Watch(IdleWait(idleAfterSeconds, settings::LoadSettings(settingsFile_, settings::SettingsReader::Slideshow)));
    if (idleAfterSeconds)
        return;
    // The settings are saved by replacing the file, so its folder is watched: the kernel tells of
    // a change, nothing looks in the meantime.
    settingsWatch_ = std::make_unique<QFileSystemWatcher>();
    const QString folder = QString::fromStdString(std::filesystem::path(settingsFile_).parent_path().string());
    if (!folder.isEmpty())
        settingsWatch_->addPath(folder);
    connect(settingsWatch_.get(), &QFileSystemWatcher::directoryChanged, this, [this] { SettingsChanged(); });
}

void IdleService::Watch(std::chrono::milliseconds wait)
{
    wait_ = wait;
    platform::IdleMonitor::Events events;
    events.idle = [this] { Idle(); };
    events.active = [this] { Active(); };
    events.lost = [](const std::string& why) {
        std::fprintf(stderr, "QelSaver: the idle service stops: %s\n", why.c_str());
        QCoreApplication::exit(1);
    };
    monitor_->Watch(wait, std::move(events));
}

void IdleService::SettingsChanged()
{
    const auto wait =
        IdleWait(std::nullopt, settings::LoadSettings(settingsFile_, settings::SettingsReader::Slideshow));
    changedWait_.reset();
    if (wait == wait_)
        return;
    // Starting the watch over during a show would end the show's wait for the user's return.
    if (show_)
        changedWait_ = wait;
    else
        Watch(wait);
}

bool IdleService::Showing() const
{
    return show_ && !show_->Ended();
}

void IdleService::Idle()
{
    if (show_)
        return;  // the last show is still going away
    auto lock = std::make_unique<platform::InstanceLock>();
    if (!showLockName_.empty() && !lock->Acquire(showLockName_))
        return;  // another saver covers the screens
    showLock_ = std::move(lock);
    show_ = std::make_unique<slideshow::SlideshowSession>(settingsFile_);
    // An exit input in the show's windows ends it from inside their own event handling: it goes
    // once that is over.
    show_->OnEnded([this] { QTimer::singleShot(0, this, [this] { Finish(); }); });
    show_->OnExitInput([this] { return UserBack(); });
    show_->Start();
    const auto& windows = show_->Windows();
    if (std::none_of(windows.begin(), windows.end(), [](const auto& w) { return w->isVisible(); }))
        show_->End();  // no screen to show on: the next idle period tries again
}

void IdleService::Active()
{
    if (show_ && UserBack())
        show_->End();
}

bool IdleService::UserBack()
{
    if (!show_ || show_->Ended() || !show_->Settings().lockOnResume)
        return true;
    if (locking_)
        return false;  // asked already: the answer ends the show
    locking_ = true;
    if (!locker_) {
        QTimer::singleShot(0, this, [this] { LockAnswered(false, "there is no screen locker to ask"); });
        return false;
    }
    locker_->Lock([this](bool locked, const std::string& why) { LockAnswered(locked, why); });
    return false;
}

void IdleService::LockAnswered(bool locked, const std::string& why)
{
    locking_ = false;
    if (!locked)
        std::fprintf(stderr, "QelSaver: the session could not be locked (%s): the show closes without the lock\n",
                     why.c_str());
    if (show_)
        show_->End();
}

void IdleService::Finish()
{
    if (show_ && show_->Ended()) {
        show_.reset();
        showLock_.reset();
        if (changedWait_) {
            Watch(*changedWait_);
            changedWait_.reset();
        }
    }
}

}  // namespace qel::app
