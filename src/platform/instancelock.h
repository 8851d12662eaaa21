#pragma once
// A named guard held for the life of the process, so that a second instance of a mode can tell it
// is not alone. It is an exclusive, non-blocking flock() on "<runtime folder>/<name>.lock": the
// kernel drops the lock when the holder dies, so a file left by a killed process never blocks.

#include <string>

namespace qel::platform {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock named `name`. Returns false when another process holds it. When the lock file
    // cannot be created at all the guard is not enforced and true is returned: a broken runtime
    // folder must not stop the saver from starting.
    bool Acquire(const std::string& name);
    bool Held() const { return fd_ >= 0; }

    static std::string LockPath(const std::string& name);

private:
    int fd_ = -1;
};

}  // namespace qel::platform
