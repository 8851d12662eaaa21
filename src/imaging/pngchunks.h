#pragma once
// The chunks of a PNG file: after the 8-byte signature, each chunk is a 4-byte big-endian length,
// a 4-byte type, the data and a 4-byte CRC. Walked here without decoding anything, for the
// metadata captions read and to refuse, before any library sees the file, a chunk that claims more
// bytes than the file has (a PNG library allocates what a chunk claims before reading it).

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace qel::imaging {

enum class PngWalk {
    NotPng,    // no PNG signature
    Complete,  // every chunk's data within the file, up to "IEND" or to the end of the data
    Damaged,   // a chunk's data runs past the end of the file
};

// Calls `visit(type, data)` for each whole chunk in order, "IEND" excluded, until it returns false,
// the walk reaches "IEND" or the data ends. CRCs are not checked.
PngWalk WalkPngChunks(std::span<const std::uint8_t> file,
                      const std::function<bool(std::string_view type, std::span<const std::uint8_t> data)>& visit);

}  // namespace qel::imaging
