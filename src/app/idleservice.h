#pragma once
// The idle service: it stays in the background, and each time the idle source says the user has
// been idle for the wait it starts the show of the run mode (every screen, the music once, the
// captions) in a process of its own, which the first input ends: the source's notice that the user
// is back as well as an exit input in the show's own windows. Then it waits for the next idle
// period. The service itself never opens a window: it stays small while it waits, and a show that
// fails takes only itself down.
//
// With "LockOnResume" set, the user's return first locks the session with the desktop's own locker,
// and the show closes only once the session reports locked, so that the desktop is never seen in
// between; when no locker answers, the show closes anyway and the error output says so.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QProcess>

class QFileSystemWatcher;
class QTimer;

#include "platform/idlemonitor.h"
#include "platform/instancelock.h"
#include "platform/sessionlock.h"
#include "settings/saversettings.h"

namespace qel::app {

// How long the user must be idle before a show: "--idle-after" when it was given, else the
// settings' IdleMinutes (brought into its range).
[[nodiscard]] std::chrono::milliseconds IdleWait(std::optional<int> idleAfterSeconds,
                                                 const settings::SaverSettings& settings);

// What the show process writes on its standard output, one line, when an exit input came in its
// windows and the show stays up for the lock ("LockOnResume").
inline constexpr const char* kShowUserBackLine = "back";

// The program that runs one show: it shows until it is stopped with SIGTERM or its user ends it,
// and tells of an exit input it did not end on with kShowUserBackLine.
struct ShowProgram {
    std::string program;  // empty: the program this process runs (as it is when the show starts)
    std::vector<std::string> arguments;
};

class IdleService : public QObject {
public:
    // `settingsFile` is read anew for every show (the show program reads the same file).
    // `showLockName` names the guard of the run mode: a show starts only while no other holds it (a
    // saver run by hand or by a host), and holds it while it runs. `locker` locks the session for
    // "LockOnResume" (none: no locker answers).
    IdleService(std::string settingsFile, std::unique_ptr<platform::IdleMonitor> monitor, std::string showLockName,
                ShowProgram show, std::unique_ptr<platform::SessionLocker> locker = nullptr);
    ~IdleService() override;
    IdleService(const IdleService&) = delete;
    IdleService& operator=(const IdleService&) = delete;

    // Starts watching for the wait of IdleWait; returns at once. Without "--idle-after" the wait
    // follows the settings file as it changes (a show already running is left alone). When the
    // source stops working the application's event loop is left with 1.
    void Start(std::optional<int> idleAfterSeconds);
    [[nodiscard]] std::chrono::milliseconds Wait() const { return wait_; }
    // Reads the wait from the settings file again; the watch of its folder calls it.
    void SettingsChanged();

    // A show process was started and has not been told to end, nor ended.
    [[nodiscard]] bool Showing() const;
    // A show process still runs (it may have been told to end).
    [[nodiscard]] bool ShowRunning() const { return show_ != nullptr; }
    // The session's lock was asked for and has not answered yet (the show stays up meanwhile).
    [[nodiscard]] bool Locking() const { return locking_; }

private:
    void Idle();
    void Active();
    // The user is back: true when the show may end now, false while it waits for the lock.
    bool UserBack();
    void LockAnswered(int show, bool locked, const std::string& why);
    void ShowOutput();
    void EndShow();
    void ShowEnded(int exitCode, QProcess::ExitStatus status);
    void ShowGone();
    void Watch(std::chrono::milliseconds wait);

    std::string settingsFile_;
    std::unique_ptr<platform::IdleMonitor> monitor_;
    std::string showLockName_;
    ShowProgram program_;
    std::unique_ptr<platform::InstanceLock> showLock_;
    QProcess* show_ = nullptr;  // a child of this object
    int shows_ = 0;             // how many were started: a late lock answer ends only its own show
    bool ending_ = false;       // the show was told to end
    bool lockOnResume_ = false;
    std::string output_;  // the show's output since its last full line
    QTimer* endWait_ = nullptr;
    std::chrono::milliseconds wait_{};
    std::optional<std::chrono::milliseconds> changedWait_;  // waits for the show to end
    std::unique_ptr<QFileSystemWatcher> settingsWatch_;
    std::unique_ptr<platform::SessionLocker> locker_;
    bool locking_ = false;
};

}  // namespace qel::app
