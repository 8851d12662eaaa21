#include "instancelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "paths.h"

namespace qel::platform {

InstanceLock::~InstanceLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::string InstanceLock::LockPath(const std::string& name)
{
    return RuntimeFolder() + "/" + name + ".lock";
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
