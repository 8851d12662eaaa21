#include "platform/replacementfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

namespace qel::platform {
namespace {

constexpr mode_t kNewFileMode = 0666;  // before the umask, as for any new file
constexpr mode_t kPermissionBits = 07777;

void TurnFileSizeSignalIntoError()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a link points to, so that the link itself stays; the path itself when it is no link.
std::string LinkTarget(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string resolved(real);
        std::free(real);
        return resolved;
    }
    // A link to nothing yet: its target is created, relative to the link's folder.
    std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return path;
    std::string target(buffer.data(), static_cast<std::size_t>(n));
    return target[0] == '/' ? target : FolderOf(path) + "/" + target;
}

}  // namespace

ReplacementFile::ReplacementFile(std::string path, Durability durability)
    : path_(std::move(path)), durability_(durability)
{
    TurnFileSizeSignalIntoError();
    if (path_.empty()) {
        Fail(ENOENT);
        return;
    }
    path_ = LinkTarget(path_);
    struct stat old {};
    const bool exists = ::stat(path_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        // Not waiting in open(): a FIFO nobody reads is an error (ENXIO), not a hang.
        fd_ = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        const int flags = fd_ < 0 ? -1 : ::fcntl(fd_, F_GETFL);
        if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0)
            Fail(errno);
        return;
    }
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = FolderOf(path_) + "/." + NameOf(path_) + "." + std::to_string(::getpid()) + "-" +
                std::to_string(counter++) + ".tmp";
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, kNewFileMode);
        if (fd_ < 0 && errno != EEXIST) {
            const int error = errno;
            temp_.clear();
            Fail(error);
            return;
        }
    }
    if (fd_ < 0) {
        temp_.clear();
        Fail(EEXIST);
        return;
    }
    if (exists)
        ::fchmod(fd_, old.st_mode & kPermissionBits);  // best effort: the bytes matter more
}

ReplacementFile::~ReplacementFile()
{
    if (!committed_)
        Discard();
}

void ReplacementFile::Fail(int error)
{
    if (error_ == 0)
        error_ = error != 0 ? error : EIO;
}

std::size_t ReplacementFile::Write(const void* data, std::size_t n)
{
    if (fd_ < 0 || error_ != 0)
        return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(fd_, bytes + done, n - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
        } else if (put == 0) {
            Fail(ENOSPC);
            break;
        } else if (errno != EINTR) {
            Fail(errno);
            break;
        }
    }
    return done;
}

bool ReplacementFile::Seek(std::uint64_t pos)
{
    if (fd_ < 0 || error_ != 0)
        return false;
    if (::lseek(fd_, static_cast<off_t>(pos), SEEK_SET) < 0) {
        Fail(errno);
        return false;
    }
    return true;
}

bool ReplacementFile::Commit()
{
    if (committed_)
        return true;
    if (fd_ < 0 || error_ != 0) {
        Fail(EIO);
        Discard();
        return false;
    }
    // On the disk before it takes the old file's place, so a crash leaves one or the other whole.
    const bool onDisk = durability_ == Durability::OnDisk;
    if (onDisk && !temp_.empty() && ::fsync(fd_) != 0)
        Fail(errno);
    if (::close(fd_) != 0)
        Fail(errno);
    fd_ = -1;
    if (error_ == 0 && !temp_.empty() && ::rename(temp_.c_str(), path_.c_str()) != 0)
        Fail(errno);
    if (error_ != 0) {
        Discard();
        return false;
    }
    if (onDisk && !temp_.empty()) {
        // The rename itself reaches the disk with the folder.
        const int folder = ::open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
    committed_ = true;
    return true;
}

void ReplacementFile::Discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
}

}  // namespace qel::platform
