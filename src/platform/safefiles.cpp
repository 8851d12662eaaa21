#include "platform/safefiles.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qel::platform {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err)
{
    throw FileError(FileError::KindOf(err), what + " \"" + path + "\": " + std::strerror(err));
}

}  // namespace

std::string MakePrivateFolder(const std::string& parent, const std::string& prefix)
{
    std::string pattern = parent;
    if (!pattern.empty() && pattern.back() != '/')
        pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
        Fail("Cannot create a folder in", parent, errno);
    return buffer.data();
}

NewFile::NewFile(const std::string& path, mode_t mode) : path_(path)
{
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd_ < 0)
        Fail("Cannot create", path, errno);
    // The mode given is meant, whatever the user's umask would take away.
    ::fchmod(fd_, mode);
}

NewFile::~NewFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void NewFile::Write(const void* data, std::size_t n)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd_, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            Fail("Cannot write", path_, w < 0 ? errno : ENOSPC);
        p += w;
        n -= std::size_t(w);
    }
}

void NewFile::Close()
{
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        Fail("Cannot write", path_, errno);
}

void MoveWithoutReplacing(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    const int err = errno;
    if (err != EINVAL && err != ENOSYS)
        Fail("Cannot move \"" + from + "\" to", to, err);
    // A file system without the flag: a hard link fails when the name exists, then the old name goes.
    // Folders cannot be linked; for them a check is the best there is.
    struct stat st {};
    if (::lstat(from.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (::lstat(to.c_str(), &st) == 0)
            Fail("Cannot move \"" + from + "\" to", to, EEXIST);
        if (::rename(from.c_str(), to.c_str()) != 0)
            Fail("Cannot move \"" + from + "\" to", to, errno);
        return;
    }
    if (::link(from.c_str(), to.c_str()) != 0)
        Fail("Cannot move \"" + from + "\" to", to, errno);
    ::unlink(from.c_str());
}

bool MakeFolder(const std::string& path, mode_t mode)
{
    if (::mkdir(path.c_str(), mode) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    Fail("Cannot create the folder", path, errno);
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) : path_(path)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        Fail("Cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int err = errno;
        ::close(fd_);
        Fail("Cannot read", path, err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw FileError(S_ISDIR(st.st_mode) ? FileError::Kind::Folder : FileError::Kind::NotRegular,
                        "\"" + path + "\" is not a file");
    }
    size_ = std::uint64_t(st.st_size);
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, void* out, std::size_t n) const
{
    auto* p = static_cast<std::uint8_t*>(out);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd_, p + done, n - done, off_t(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            Fail("Cannot read", path_, errno);
        if (r == 0)
            break;
        done += std::size_t(r);
    }
    return done;
}

std::optional<std::uint64_t> FreeSpace(const std::string& path)
{
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0)
        return std::nullopt;
    return std::uint64_t(st.f_bavail) * st.f_frsize;
}

}  // namespace qel::platform
