#include "instancelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/systemfolders.h"
#include "platform/userfolders.h"

namespace qel::platform {

InstanceLock::~InstanceLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::string InstanceLock::LockPath(const std::string& name)
{
    // The session's runtime folder, found the same way whether or not a host passed it on.
    std::string folder = UserRuntimeFolder();
    if (folder.empty())
        folder = SystemTempFolder();
    return folder + "/" + name + ".lock";
}

bool InstanceLock::Acquire(const std::string& name)
{
    if (fd_ >= 0)
        return true;
    int fd = ::open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return err != EWOULDBLOCK;
    }
    fd_ = fd;
    return true;
}

}  // namespace qel::platform
