#include "platform/regularfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/backgroundtask.h"

namespace qel::platform {
namespace {

// Reads of the whole file go in pieces of this size.
constexpr std::size_t kReadChunk = 1 << 20;

[[noreturn]] void FailWithErrno(int err)
{
    throw FileError(FileError::KindOf(err), std::strerror(err));
}

// Refuses everything but a regular file, from its status alone.
void RequireRegular(const struct stat& st)
{
    if (S_ISREG(st.st_mode))
        return;
    if (S_ISDIR(st.st_mode))
        throw FileError(FileError::Kind::Folder, "it is a folder");
    if (S_ISFIFO(st.st_mode))
        throw FileError(FileError::Kind::NotRegular, "it is a pipe (FIFO), not a file");
    if (S_ISSOCK(st.st_mode))
        throw FileError(FileError::Kind::NotRegular, "it is a socket, not a file");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        throw FileError(FileError::Kind::NotRegular, "it is a device, not a file");
    throw FileError(FileError::Kind::NotRegular, "it is not a regular file");
}

}  // namespace

RegularFile RegularFile::Open(const std::string& path)
{
    UnboundedWait wait;
    if (path.empty())
        FailWithErrno(ENOENT);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        FailWithErrno(errno);
    RequireRegular(st);
    // Not waiting in open() covers the path being swapped for a FIFO after the status was read;
    // the status of what was opened is checked again.
    RegularFile file;
    file.fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd_ < 0)
        FailWithErrno(errno);
    if (::fstat(file.fd_, &st) != 0)
        FailWithErrno(errno);
    RequireRegular(st);
    const int flags = ::fcntl(file.fd_, F_GETFL);
    if (flags < 0 || ::fcntl(file.fd_, F_SETFL, flags & ~O_NONBLOCK) != 0)
        FailWithErrno(errno);
    file.size_ = static_cast<std::uint64_t>(st.st_size);
    file.modified_ = static_cast<std::int64_t>(st.st_mtime);
    file.ownerWrite_ = (st.st_mode & S_IWUSR) != 0;
    file.mode_ = static_cast<std::uint32_t>(st.st_mode);
    return file;
}

bool RegularFile::AnyoneMayExecute() const
{
    return (mode_ & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), modified_(other.modified_), ownerWrite_(other.ownerWrite_),
      mode_(other.mode_)
{
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
        modified_ = other.modified_;
        ownerWrite_ = other.ownerWrite_;
        mode_ = other.mode_;
    }
    return *this;
}

RegularFile::~RegularFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t RegularFile::Read(void* buffer, std::size_t n)
{
    UnboundedWait wait;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, n);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            FailWithErrno(errno);
    }
}

std::vector<std::uint8_t> RegularFile::ReadAll(std::uint64_t limit)
{
    std::vector<std::uint8_t> data;
    // Room for the size the file had when it was opened and the one byte that finds its end, so a
    // large file is neither copied to a larger buffer nor given room it does not need.
    if (size_ <= limit)
        data.reserve(static_cast<std::size_t>(size_) + 1);
    for (;;) {
        // One byte past the limit tells a file that grew too large from one that ends there.
        const std::uint64_t room = limit + 1 - std::min<std::uint64_t>(data.size(), limit + 1);
        if (room == 0)
            throw FileError(FileError::Kind::TooLarge, "it holds more than " + std::to_string(limit) + " bytes");
        const std::size_t at = data.size();
        // What is left of the size it had; at its end one byte; past it (it grew), chunks again.
        const std::uint64_t expected = size_ > at ? size_ - at : (size_ == at ? 1 : kReadChunk);
        const std::size_t want =
            static_cast<std::size_t>(std::min({room, static_cast<std::uint64_t>(kReadChunk), expected}));
        data.resize(at + want);
        const std::size_t got = Read(data.data() + at, want);
        data.resize(at + got);
        if (got == 0)
            return data;
    }
}

std::FILE* RegularFile::TakeStream()
{
    std::FILE* stream = ::fdopen(fd_, "rb");
    if (stream == nullptr)
        FailWithErrno(errno);
    fd_ = -1;
    return stream;
}

bool IsRegularFile(const std::string& path)
{
    UnboundedWait wait;
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::uint8_t> ReadRegularFile(const std::string& path, std::uint64_t limit)
{
    return RegularFile::Open(path).ReadAll(limit);
}

}  // namespace qel::platform
