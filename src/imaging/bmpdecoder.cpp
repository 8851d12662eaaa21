// Device-independent bitmaps ("BM" files) read by hand, so that the engine loads them without a
// window toolkit. Every offset and size is checked against the file before it is used.

#include <cstring>
#include <string>
#include <vector>

#include "imaging/decoders.h"

namespace qel::imaging {
namespace {

// File header and info header field offsets (from the start of the file).
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kOffBits = 10;
constexpr size_t kInfoSize = 14;
constexpr std::uint32_t kCoreHeader = 12;
constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

std::uint32_t U16(std::span<const std::uint8_t> d, size_t at)
{
    return d[at] | (d[at + 1] << 8);
}
std::uint32_t U32(std::span<const std::uint8_t> d, size_t at)
{
    return U16(d, at) | (U16(d, at + 2) << 16);
}

// One colour channel described by a bit mask of a 16- or 32-bit pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m)
    {
        if (m == 0)
            return;
        while (((m >> shift) & 1u) == 0)
            ++shift;
        max = m >> shift;
    }
    std::uint8_t Of(std::uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

}  // namespace

LoadedPicture DecodeBmp(std::span<const std::uint8_t> d, const LoadOptions& options)
{
    if (d.size() < kFileHeaderSize + 4 || d[0] != 'B' || d[1] != 'M')
        throw PictureError("not a bitmap file (no \"BM\" header)");
    const std::uint32_t headerSize = U32(d, kInfoSize);
    if (headerSize != kCoreHeader && (headerSize < 40 || headerSize > 1024))
        throw UnsupportedVariantError("bitmap header of " + std::to_string(headerSize) + " bytes is not supported");
    if (d.size() < kInfoSize + headerSize)
        throw PictureError("the bitmap file is truncated (header)");

    long long width, height;
    std::uint32_t bpp, compression = kBiRgb, colorsUsed = 0;
    size_t paletteEntry = 4;
    if (headerSize == kCoreHeader) {
        width = U16(d, 18);
        height = static_cast<std::int16_t>(U16(d, 20));
        bpp = U16(d, 24);
        paletteEntry = 3;
    } else {
        width = static_cast<std::int32_t>(U32(d, 18));
        height = static_cast<std::int32_t>(U32(d, 22));
        bpp = U16(d, 28);
        compression = U32(d, 30);
        colorsUsed = U32(d, 46);
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    CheckPictureSize(width, height, options.maxPixels);
    if (compression == kBiRle8 || compression == kBiRle4)
        throw UnsupportedVariantError("run-length compressed bitmaps are not supported");
    if (compression != kBiRgb && compression != kBiBitfields && compression != kBiAlphaBitfields)
        throw UnsupportedVariantError("bitmap compression " + std::to_string(compression) + " is not supported");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        throw PictureError("bitmaps of " + std::to_string(bpp) + " bits per pixel do not exist");

    size_t at = kInfoSize + headerSize;
    // Masks: inside headers of 52 bytes and more, else right after the 40-byte header.
    std::uint32_t masks[3] = {0, 0, 0};
    if (compression != kBiRgb) {
        if (bpp != 16 && bpp != 32)
            throw PictureError("bit-field bitmaps need 16 or 32 bits per pixel");
        const size_t maskAt = headerSize >= 52 ? kInfoSize + 40 : at;
        if (d.size() < maskAt + 12)
            throw PictureError("the bitmap file is truncated (colour masks)");
        for (int i = 0; i < 3; ++i)
            masks[i] = U32(d, maskAt + 4 * static_cast<size_t>(i));
        if (headerSize == 40)
            at += compression == kBiAlphaBitfields ? 16 : 12;
    } else if (bpp == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (bpp == 32) {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
    }

    // Palette: colorsUsed entries (all 2^bpp when 0), as many as the file holds.
    std::vector<std::uint8_t> palette(256 * 3, 0);
    if (bpp <= 8) {
        size_t entries = colorsUsed == 0 || colorsUsed > (1u << bpp) ? (1u << bpp) : colorsUsed;
        for (size_t i = 0; i < entries && at + paletteEntry * (i + 1) <= d.size(); ++i)
            std::memcpy(&palette[3 * i], &d[at + paletteEntry * i], 3);
    }

    const size_t offBits = U32(d, kOffBits);
    const size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    if (offBits < kInfoSize + headerSize || offBits > d.size() ||
        (d.size() - offBits) / stride < static_cast<size_t>(height))
        throw PictureError("the bitmap file is truncated (pixel data)");

    LoadedPicture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.bitmap.Resize(picture.width, picture.height);
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    const int w = picture.width;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* src =
            d.data() + offBits + stride * static_cast<size_t>(topDown ? y : picture.height - 1 - y);
        std::uint8_t* out = picture.bitmap.Scanline(y);
        switch (bpp) {
        case 24: std::memcpy(out, src, 3 * static_cast<size_t>(w)); break;
        case 32:
        case 16:
            for (int x = 0; x < w; ++x, out += 3) {
                const std::uint32_t p = bpp == 32 ? U32(d, src - d.data() + 4 * static_cast<size_t>(x))
                                                  : U16(d, src - d.data() + 2 * static_cast<size_t>(x));
                out[0] = blue.Of(p);
                out[1] = green.Of(p);
                out[2] = red.Of(p);
            }
            break;
        default: {  // 1, 4 or 8 bits: palette indices, leftmost pixel in the high bits
            const int perByte = 8 / static_cast<int>(bpp);
            const unsigned mask = (1u << bpp) - 1;
            for (int x = 0; x < w; ++x, out += 3) {
                const unsigned byte = src[x / perByte];
                const unsigned shift = (perByte - 1 - x % perByte) * bpp;
                const unsigned index = (byte >> shift) & mask;
                std::memcpy(out, &palette[3 * index], 3);
            }
            break;
        }
        }
    }
    return picture;
}

}  // namespace qel::imaging
