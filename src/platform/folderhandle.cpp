#include "platform/folderhandle.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/safefiles.h"

namespace qel::platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr std::size_t kChunk = 1 << 16;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err)
{
    throw FileError(FileError::KindOf(err), what + " \"" + path + "\": " + std::strerror(err));
}

EntryStatus FromStat(const struct stat& st)
{
    EntryStatus s;
    if (S_ISREG(st.st_mode))
        s.type = EntryStatus::Type::File;
    else if (S_ISDIR(st.st_mode))
        s.type = EntryStatus::Type::Folder;
    else if (S_ISLNK(st.st_mode))
        s.type = EntryStatus::Type::Link;
    else
        s.type = EntryStatus::Type::Other;
    s.size = std::uint64_t(st.st_size);
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.owner = st.st_uid;
    s.mode = st.st_mode & 07777;
    return s;
}

bool WriteAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (w == 0)
                errno = ENOSPC;
            return false;
        }
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

}  // namespace

FolderHandle FolderHandle::Open(const std::string& path)
{
    std::string clean = path;
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    const int fd = ::open(clean.c_str(), kFolderFlags);
    if (fd < 0) {
        const int err = errno;
        if (err == ELOOP || err == ENOTDIR)
            throw FileError(FileError::Kind::NotRegular,
                            "\"" + clean + "\" is not a folder of its own (a link or a file has the name)");
        Fail("Cannot open the folder", clean, err);
    }
    return FolderHandle(fd, clean);
}

FolderHandle FolderHandle::OpenAsFound(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        Fail("Cannot open the folder", path, errno);
    return FolderHandle(fd, path);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_))
{
    other.fd_ = -1;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

FolderHandle::~FolderHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FolderHandle FolderHandle::OpenFolder(const std::string& name) const
{
    const int fd = ::openat(fd_, name.c_str(), kFolderFlags);
    if (fd < 0) {
        const int err = errno;
        if (err == ELOOP || err == ENOTDIR)
            throw FileError(FileError::Kind::NotRegular,
                            "\"" + PathOf(name) + "\" is not a folder of its own (a link or a file has the name)");
        Fail("Cannot open the folder", PathOf(name), err);
    }
    return FolderHandle(fd, PathOf(name));
}

std::optional<FolderHandle> FolderHandle::TryOpenFolder(const std::string& name) const
{
    const int fd = ::openat(fd_, name.c_str(), kFolderFlags);
    if (fd < 0)
        return std::nullopt;
    return FolderHandle(fd, PathOf(name));
}

EntryStatus FolderHandle::Status(const std::string& name) const
{
    struct stat st {};
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    return FromStat(st);
}

EntryStatus FolderHandle::Status() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return {};
    return FromStat(st);
}

std::vector<std::string> FolderHandle::Names() const
{
    std::vector<std::string> names;
    const int fd = ::openat(fd_, ".", kFolderFlags);
    if (fd < 0)
        Fail("Cannot read the folder", path_, errno);
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int err = errno;
        ::close(fd);
        Fail("Cannot read the folder", path_, err);
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    ::closedir(dir);
    return names;
}

EntryStatus FolderHandle::ReadFile(const std::string& name,
                                   const std::function<void(const std::uint8_t*, std::size_t)>& sink) const
{
    // O_NONBLOCK: a FIFO in the file's place must not keep us waiting in open().
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        Fail("Cannot open", PathOf(name), errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw FileError(FileError::Kind::NotRegular, "\"" + PathOf(name) + "\" is not a file");
    }
    std::vector<std::uint8_t> buffer(kChunk);
    for (;;) {
        const ssize_t r = ::read(fd, buffer.data(), buffer.size());
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            const int err = errno;
            ::close(fd);
            Fail("Cannot read", PathOf(name), err);
        }
        if (r == 0)
            break;
        sink(buffer.data(), std::size_t(r));
    }
    ::close(fd);
    return FromStat(st);
}

std::string FolderHandle::ReadWholeFile(const std::string& name, std::uint64_t limit) const
{
    std::string text;
    ReadFile(name, [&](const std::uint8_t* data, std::size_t n) {
        if (text.size() + n > limit)
            throw FileError(FileError::Kind::TooLarge,
                            "\"" + PathOf(name) + "\" is too large (more than " + std::to_string(limit) + " bytes)");
        text.append(reinterpret_cast<const char*>(data), n);
    });
    return text;
}

void FolderHandle::WriteFileAtomically(const std::string& name, const std::string& data, mode_t mode) const
{
    const EntryStatus old = Status(name);
    if (old.type != EntryStatus::Type::Missing && old.type != EntryStatus::Type::File)
        throw FileError(FileError::Kind::NotRegular, "\"" + PathOf(name) + "\" is not a file: it is left as it is");
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = "." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
        fd = ::openat(fd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST)
            Fail("Cannot write", PathOf(name), errno);
    }
    if (fd < 0)
        Fail("Cannot write", PathOf(name), EEXIST);
    ::fchmod(fd, old.type == EntryStatus::Type::File ? old.mode : mode);
    const bool written = WriteAll(fd, data.data(), data.size()) && ::fsync(fd) == 0;
    const int err = errno;
    if (::close(fd) != 0 || !written || ::renameat(fd_, temp.c_str(), fd_, name.c_str()) != 0) {
        const int cause = written ? errno : err;
        ::unlinkat(fd_, temp.c_str(), 0);
        Fail("Cannot write", PathOf(name), cause);
    }
    ::fsync(fd_);
}

bool FolderHandle::RemoveFile(const std::string& name) const
{
    const EntryStatus s = Status(name);
    if (s.type != EntryStatus::Type::File && s.type != EntryStatus::Type::Link)
        return false;
    return ::unlinkat(fd_, name.c_str(), 0) == 0;
}

bool FolderHandle::RemoveEmptyFolder(const std::string& name) const
{
    return ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0;
}

bool FolderHandle::RemoveTree(const std::string& name) const
{
    const EntryStatus s = Status(name);
    if (s.type == EntryStatus::Type::Missing)
        return true;
    if (s.type != EntryStatus::Type::Folder)
        return ::unlinkat(fd_, name.c_str(), 0) == 0;
    bool all = true;
    if (auto sub = TryOpenFolder(name)) {
        try {
            for (const std::string& n : sub->Names())
                all = sub->RemoveTree(n) && all;
        } catch (const FileError&) {
            all = false;
        }
    }
    return RemoveEmptyFolder(name) && all;
}

bool FolderHandle::MakeFolder(const std::string& name, mode_t mode) const
{
    if (::mkdirat(fd_, name.c_str(), mode) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    Fail("Cannot create the folder", PathOf(name), errno);
}

void FolderHandle::SetMode(mode_t mode) const
{
    if (::fchmod(fd_, mode) != 0)
        Fail("Cannot change the permissions of", path_, errno);
}

void FolderHandle::Move(const std::string& name, const FolderHandle& folder, const std::string& to) const
{
    if (::renameat2(fd_, name.c_str(), folder.fd_, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    const int err = errno;
    if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP)
        Fail("Cannot move \"" + PathOf(name) + "\" to", folder.PathOf(to), err);
    // A file system without the flag (a network one): a look first is the best there is.
    struct stat st {};
    if (::fstatat(folder.fd_, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        Fail("Cannot move \"" + PathOf(name) + "\" to", folder.PathOf(to), EEXIST);
    if (::renameat(fd_, name.c_str(), folder.fd_, to.c_str()) != 0)
        Fail("Cannot move \"" + PathOf(name) + "\" to", folder.PathOf(to), errno);
}

bool FolderHandle::Exchange(const std::string& name, const FolderHandle& folder, const std::string& other) const
{
    if (::renameat2(fd_, name.c_str(), folder.fd_, other.c_str(), RENAME_EXCHANGE) == 0)
        return true;
    const int err = errno;
    if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP)
        return false;
    Fail("Cannot swap \"" + PathOf(name) + "\" with", folder.PathOf(other), err);
}

void FolderHandle::HardLink(const std::string& name, const FolderHandle& folder, const std::string& to) const
{
    if (::linkat(fd_, name.c_str(), folder.fd_, to.c_str(), 0) != 0)
        Fail("Cannot keep \"" + PathOf(name) + "\" as", folder.PathOf(to), errno);
}

std::string FolderHandle::ReadLink(const std::string& name) const
{
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlinkat(fd_, name.c_str(), buffer.data(), buffer.size() - 1);
    if (n < 0)
        Fail("Cannot read the link", PathOf(name), errno);
    return std::string(buffer.data(), std::size_t(n));
}

void FolderHandle::MakeLink(const std::string& target, const std::string& name) const
{
    if (::symlinkat(target.c_str(), fd_, name.c_str()) != 0)
        Fail("Cannot make the link", PathOf(name), errno);
}

bool FolderHandle::TryLock() const
{
    return ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

uid_t UserId()
{
    return ::getuid();
}

void WriteOwnFileAtomically(const std::string& path, const std::string& data, mode_t mode)
{
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    FolderHandle::OpenAsFound(folder).WriteFileAtomically(name, data, mode);
}

}  // namespace qel::platform
