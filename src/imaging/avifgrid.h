#pragma once
// The layout of an AVIF picture as its boxes state it, read before anything is decoded: whether the
// primary image is a grid of tiles, how many tiles of what size make it, where each tile's coded
// data lies, and the same for its transparency. The AVIF decoder bounds
// the whole decode by these sizes and decodes a grid one tile at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace qel::imaging {

using AvifPieces = std::vector<std::span<const std::uint8_t>>;

struct AvifItemLayout {
    // Its size as stated ("ispe"); 0 when it states none.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // A grid: rows x columns tiles, row by row, each of tileWidth x tileHeight.
    bool grid = false;
    std::uint32_t rows = 0;
    std::uint32_t columns = 0;
    std::uint32_t tileWidth = 0;
    std::uint32_t tileHeight = 0;
    // Where the coded data of each tile of a grid lies in the file, in one or more pieces. Tiles
    // that are the same item share their pieces.
    std::vector<std::shared_ptr<const AvifPieces>> tileData;
};

struct AvifLayout {
    AvifItemLayout primary;
    // Its transparency: the image marked as the primary one's alpha (a file with several is damaged).
    std::optional<AvifItemLayout> alpha;
};

// The layout of the file's primary image, or nothing when the file has no primary image item (an
// image sequence; libavif then tells what it makes of it). Throws PictureError when the boxes that
// describe a grid contradict each other or point outside the file.
std::optional<AvifLayout> ReadAvifLayout(std::span<const std::uint8_t> file);

}  // namespace qel::imaging
