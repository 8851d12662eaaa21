#include "zip/archiveoutput.h"

#include <algorithm>
#include <cstring>

namespace qel::zip {

void ArchiveOutput::Data(const std::uint8_t* p, std::size_t n)
{
    inData_ = true;
    Put(p, n);
    inData_ = false;
}

void ArchiveOutput::Put(const std::uint8_t* p, std::size_t n)
{
    while (n > 0) {
        std::size_t k = std::min(n, kOutputBufferSize - used_);
        std::memcpy(buf_ + used_, p, k);
        used_ += k;
        p += k;
        n -= k;
        if (used_ == kOutputBufferSize)
            Flush();
    }
}

void ArchiveOutput::Flush()
{
    if (used_ == 0)
        return;
    SinkWrite(buf_, used_);
    flushed_ += used_;
    used_ = 0;
    if (inData_ && onBlock_)
        onBlock_();
}

void ArchiveOutput::Patch(std::uint64_t offset, const std::uint8_t* p, std::size_t n)
{
    if (offset >= flushed_) {
        std::memcpy(buf_ + (offset - flushed_), p, n);
        return;
    }
    Flush();
    sink_.Seek(offset);
    SinkWrite(p, n);
    sink_.Seek(flushed_);
}

void ArchiveOutput::SinkWrite(const std::uint8_t* p, std::size_t n)
{
    if (sink_.Write(p, n) != n)
        throw NotEnoughRoomError();
}

}  // namespace qel::zip
