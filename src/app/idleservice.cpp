#include "app/idleservice.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <QStringList>
#include <QTimer>

#include "platform/systemfolders.h"

namespace qel::app {
namespace {

// How long a show has to end once asked before it is killed.
constexpr std::chrono::seconds kShowEndWait{5};

}  // namespace

std::chrono::milliseconds IdleWait(std::optional<int> idleAfterSeconds, const settings::SaverSettings& settings)
{
    if (idleAfterSeconds)
        return std::chrono::seconds(*idleAfterSeconds);
    // A value set in the program rather than read from a file may be out of range.
    return std::chrono::minutes(std::clamp(settings.idleMinutes, 1, 120));
}

IdleService::IdleService(std::string settingsFile, std::unique_ptr<platform::IdleMonitor> monitor,
                         std::string showLockName, ShowProgram show, std::unique_ptr<platform::SessionLocker> locker)
    : settingsFile_(std::move(settingsFile)), monitor_(std::move(monitor)), showLockName_(std::move(showLockName)),
      program_(std::move(show)), locker_(std::move(locker))
{
}

IdleService::~IdleService()
{
    locker_.reset();  // no answer comes for a show that is gone
    if (show_) {
        // The service ends: so does its show, before the guard it holds goes.
        disconnect(show_, nullptr, this, nullptr);
        show_->terminate();
        if (!show_->waitForFinished(int(std::chrono::milliseconds(kShowEndWait).count())))
            show_->kill();
        show_->waitForFinished(1000);
    }
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
    return show_ && !ending_;
}

void IdleService::Idle()
{
    if (show_)
        return;  // the last show is still going away
    auto lock = std::make_unique<platform::InstanceLock>();
    if (!showLockName_.empty() && !lock->Acquire(showLockName_))
        return;  // another saver covers the screens
    showLock_ = std::move(lock);
    lockOnResume_ = settings::LoadSettings(settingsFile_, settings::SettingsReader::Slideshow).lockOnResume;
    ++shows_;
    ending_ = false;
    output_.clear();
    show_ = new QProcess(this);
    // What goes wrong in the show reaches the service's own error output.
    show_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(show_, &QProcess::readyReadStandardOutput, this, [this] { ShowOutput(); });
    connect(show_, &QProcess::finished, this,
            [this](int code, QProcess::ExitStatus status) { ShowEnded(code, status); });
    connect(show_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;  // the end of a started show comes as `finished`
        std::fprintf(stderr, "QelSaver: the show could not be started: %s\n",
                     show_->errorString().toLocal8Bit().constData());
        ShowGone();
    });
    QStringList arguments;
    for (const auto& a : program_.arguments)
        arguments << QString::fromStdString(a);
    // Looked up for each show: an update may have replaced the program's file meanwhile.
    const std::string program = program_.program.empty() ? platform::RunningProgramPath() : program_.program;
    show_->start(QString::fromStdString(program), arguments);
    show_->closeWriteChannel();  // it reads nothing from us
}

void IdleService::Active()
{
    if (show_ && UserBack())
        EndShow();
}

void IdleService::ShowOutput()
{
    if (!show_)
        return;
    output_ += show_->readAllStandardOutput().toStdString();
    for (auto end = output_.find('\n'); end != std::string::npos; end = output_.find('\n')) {
        const std::string line = output_.substr(0, end);
        output_.erase(0, end + 1);
        if (line == kShowUserBackLine && UserBack())
            EndShow();
    }
    // Nothing else is expected: a show that writes without end is not kept in memory.
    if (output_.size() > 4096)
        output_.clear();
}

bool IdleService::UserBack()
{
    if (!show_ || ending_ || !lockOnResume_)
        return true;
    if (locking_)
        return false;  // asked already: the answer ends the show
    locking_ = true;
    const int show = shows_;
    if (!locker_) {
        QTimer::singleShot(0, this, [this, show] { LockAnswered(show, false, "there is no screen locker to ask"); });
        return false;
    }
    locker_->Lock([this, show](bool locked, const std::string& why) { LockAnswered(show, locked, why); });
    return false;
}

void IdleService::LockAnswered(int show, bool locked, const std::string& why)
{
    if (show != shows_)
        return;  // that show is gone, and the next one was not asked for
    locking_ = false;
    if (!locked)
        std::fprintf(stderr, "QelSaver: the session could not be locked (%s): the show closes without the lock\n",
                     why.c_str());
    EndShow();
}

void IdleService::EndShow()
{
    if (!show_ || ending_)
        return;
    ending_ = true;
    show_->terminate();
    // A show that does not end on the request would keep the screens covered.
    if (!endWait_) {
        endWait_ = new QTimer(this);
        endWait_->setSingleShot(true);
        endWait_->setInterval(kShowEndWait);
        connect(endWait_, &QTimer::timeout, this, [this] {
            if (!show_)
                return;
            std::fprintf(stderr, "QelSaver: the show did not end when asked to, and is killed\n");
            show_->kill();
        });
    }
    endWait_->start();
}

void IdleService::ShowEnded(int exitCode, QProcess::ExitStatus status)
{
    // Asked to end, it may also have ended by the signal itself (before it could catch it).
    if (status == QProcess::CrashExit && !ending_)
        std::fprintf(stderr, "QelSaver: the show ended unexpectedly (%s); the service goes on\n",
                     show_->errorString().toLocal8Bit().constData());
    else if (status == QProcess::NormalExit && exitCode != 0)
        std::fprintf(stderr, "QelSaver: the show ended with status %d; the service goes on\n", exitCode);
    ShowGone();
}

void IdleService::ShowGone()
{
    if (endWait_)
        endWait_->stop();
    // It goes once its own signal is over.
    show_->deleteLater();
    show_ = nullptr;
    ending_ = false;
    locking_ = false;
    ++shows_;  // a lock answer still to come belongs to the show that is gone
    showLock_.reset();
    if (changedWait_) {
        Watch(*changedWait_);
        changedWait_.reset();
    }
}

}  // namespace qel::app
