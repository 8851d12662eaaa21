#include "zip/bytesource.h"

#include <algorithm>

#include "platform/safefiles.h"

namespace qel::zip {
namespace {

void CheckRange(std::uint64_t size, std::uint64_t offset, std::size_t n, const std::string& name)
{
    if (offset > size || n > size - offset)
        throw ReadError(name + " ends before the data it describes (damaged or cut short)");
}

}  // namespace

void MemorySource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t n) const
{
    CheckRange(bytes_.size(), offset, n, name_);
    std::copy_n(bytes_.data() + offset, n, out);
}

FileSource::FileSource(const std::string& path, std::string name) : name_(name.empty() ? path : std::move(name))
{
    try {
        file_ = std::make_unique<platform::ReadOnlyFile>(path);
    } catch (const platform::FileError& e) {
        throw ReadError(e.what());
    }
}

FileSource::~FileSource() = default;

std::uint64_t FileSource::Size() const
{
    return file_->Size();
}

void FileSource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t n) const
{
    CheckRange(file_->Size(), offset, n, name_);
    std::size_t got = 0;
    try {
        got = file_->ReadAt(offset, out, n);
    } catch (const platform::FileError& e) {
        throw ReadError(e.what());
    }
    // The file shrank while it was read.
    if (got != n)
        throw ReadError(name_ + " ends before the data it describes (damaged or cut short)");
}

RegionSource::RegionSource(const ByteSource& parent, std::uint64_t offset, std::uint64_t size, std::string name)
    : parent_(parent), offset_(offset), size_(size), name_(std::move(name))
{
    if (offset > parent.Size() || size > parent.Size() - offset)
        throw ReadError(name_ + " lies outside " + parent.Name());
}

void RegionSource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t n) const
{
    CheckRange(size_, offset, n, name_);
    parent_.ReadAt(offset_ + offset, out, n);
}

}  // namespace qel::zip
