#include "zip/zipsink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qel::zip {

FileSink::FileSink(const std::string& path) : path_(path)
{
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_)
        throw std::runtime_error("Cannot create archive " + path + ": " + std::strerror(errno));
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

FileSink::~FileSink()
{
    if (file_)
        std::fclose(file_);
}

std::size_t FileSink::Write(const std::uint8_t* data, std::size_t n)
{
    return file_ ? std::fwrite(data, 1, n, file_) : 0;
}

void FileSink::Seek(std::uint64_t pos)
{
    if (!file_ || std::fseek(file_, static_cast<long>(pos), SEEK_SET) != 0)
        throw std::runtime_error("Cannot seek in archive " + path_ + ": " + std::strerror(errno));
}

void FileSink::Close()
{
    if (!file_)
        return;
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0)
        throw std::runtime_error("Cannot write archive " + path_ + ": " + std::strerror(errno));
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
