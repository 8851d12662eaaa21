#include "imaging/pngchunks.h"

#include <array>
#include <cstring>

namespace qel::imaging {
namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kChunkHeader = 8;  // length and type before a chunk's data
constexpr std::size_t kChunkFrame = 12;  // ... and the CRC after it

}  // namespace

PngWalk WalkPngChunks(std::span<const std::uint8_t> file,
                      const std::function<bool(std::string_view type, std::span<const std::uint8_t> data)>& visit)
{
    if (file.size() < kPngSignature.size() || std::memcmp(file.data(), kPngSignature.data(), kPngSignature.size()) != 0)
        return PngWalk::NotPng;
    std::size_t at = kPngSignature.size();
    while (at < file.size()) {
        // A short tail (the end marker cut off) claims nothing: the decoder reports it if it must.
        if (file.size() - at < kChunkHeader)
            return PngWalk::Complete;
        const std::uint32_t length = (std::uint32_t(file[at]) << 24) | (std::uint32_t(file[at + 1]) << 16) |
                                     (std::uint32_t(file[at + 2]) << 8) | file[at + 3];
        if (length > file.size() - at - kChunkHeader)
            return PngWalk::Damaged;
        const std::string_view type(reinterpret_cast<const char*>(file.data() + at + 4), 4);
        if (type == "IEND")
            return PngWalk::Complete;
        if (visit && !visit(type, file.subspan(at + kChunkHeader, length)))
            return PngWalk::Complete;
        at += kChunkFrame + length;
    }
    return PngWalk::Complete;
}

}  // namespace qel::imaging
