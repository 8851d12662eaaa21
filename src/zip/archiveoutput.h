#pragma once
// The archive as it is written: everything goes through one buffer of kOutputBufferSize bytes. A header
// that is still in the buffer is patched there; one that has gone out is patched by seeking back.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "zip/entryencoder.h"
#include "zip/zipformat.h"
#include "zip/zipsink.h"

namespace qel::zip {

class ArchiveOutput final : public EntryOutput {
public:
    // onBlock is called after every buffer of entry data that goes out (not after headers); it is held
    // by reference and must outlive the output.
    ArchiveOutput(ZipSink& sink, const std::function<void()>& onBlock) : sink_(sink), onBlock_(onBlock) {}
    ArchiveOutput(const ArchiveOutput&) = delete;
    ArchiveOutput& operator=(const ArchiveOutput&) = delete;

    // Entry data.
    void Data(const std::uint8_t* p, std::size_t n) override;
    // Headers and other records.
    void Put(const std::uint8_t* p, std::size_t n);
    void Put(const std::vector<std::uint8_t>& bytes) { Put(bytes.data(), bytes.size()); }
    // Sends the buffer to the sink. Throws NotEnoughRoomError on a short write.
    void Flush();
    // Overwrites bytes written earlier at offset (not past the current position).
    void Patch(std::uint64_t offset, const std::uint8_t* p, std::size_t n);

    [[nodiscard]] std::uint64_t Position() const { return flushed_ + used_; }

private:
    void SinkWrite(const std::uint8_t* p, std::size_t n);

    ZipSink& sink_;
    const std::function<void()>& onBlock_;
    std::uint8_t buf_[kOutputBufferSize];
    std::size_t used_ = 0;
    std::uint64_t flushed_ = 0;
    bool inData_ = false;
};

}  // namespace qel::zip
