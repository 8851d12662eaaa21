#include "zip/zipsink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/replacementfile.h"

namespace qel::zip {

FileSink::FileSink(const std::string& path) : path_(path), file_(std::make_unique<platform::ReplacementFile>(path))
{
    if (file_->Error() != 0)
        throw std::runtime_error("Cannot create archive " + path + ": " + std::strerror(file_->Error()));
}

FileSink::~FileSink() = default;

std::size_t FileSink::Write(const std::uint8_t* data, std::size_t n)
{
    return file_ ? file_->Write(data, n) : 0;
}

void FileSink::Seek(std::uint64_t pos)
{
    if (!file_ || !file_->Seek(pos))
        throw std::runtime_error("Cannot seek in archive " + path_ + ": " +
                                 std::strerror(file_ ? file_->Error() : EBADF));
}

void FileSink::Close()
{
    if (!file_)
        return;
    const std::unique_ptr<platform::ReplacementFile> file = std::move(file_);
    if (!file->Commit())
        throw std::runtime_error("Cannot write archive " + path_ + ": " + std::strerror(file->Error()));
}

std::size_t MemorySink::Write(const std::uint8_t* data, std::size_t n)
{
    std::size_t room = pos_ < capacity_ ? capacity_ - pos_ : 0;
    std::size_t count = std::min(n, room);
    if (pos_ + count > bytes_.size())
        bytes_.resize(pos_ + count);
    std::copy(data, data + count, bytes_.begin() + static_cast<std::ptrdiff_t>(pos_));
    pos_ += count;
    return count;
}

void MemorySink::Seek(std::uint64_t pos)
{
    if (pos > bytes_.size())
        throw std::runtime_error("Seek past the end of the archive in memory");
    pos_ = static_cast<std::size_t>(pos);
}

}  // namespace qel::zip
