#pragma once
// Locks the user's session with the desktop's own locker, through the login manager (logind's
// LockSession, as `loginctl lock-session` asks for it): GNOME's, KDE's and the other lockers answer
// it. The session is taken for locked only once logind says so (its LockedHint), so that whoever
// waits for the lock can keep the screen covered until then.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace qel::platform {

class SessionLocker {
public:
    virtual ~SessionLocker() = default;
    // Asks for the lock. `done` comes once, later, from the event loop (never from inside Lock):
    // true when the session reports locked; false, with why, when the request could not be made or
    // nothing locked the session within the locker's wait. Destroying the locker drops `done`.
    virtual void Lock(std::function<void(bool locked, const std::string& why)> done) = 0;
};

// The locker of logind through loginctl (the session of $XDG_SESSION_ID, else logind's choice for
// this process), waiting at most `wait` for the session to report locked. Main thread only.
[[nodiscard]] std::unique_ptr<SessionLocker> MakeLoginManagerLocker(std::chrono::milliseconds wait);

}  // namespace qel::platform
