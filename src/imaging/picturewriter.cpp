#include "imaging/picturewriter.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include <zlib.h>

#include "platform/replacementfile.h"

namespace qel::imaging {
namespace {

void PutLE16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutLE32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    PutLE16(out, v & 0xFFFF);
    PutLE16(out, v >> 16);
}
void PutBE32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> s));
}

void PutChunk(std::vector<std::uint8_t>& out, const char type[4], const std::uint8_t* data, size_t size)
{
    PutBE32(out, static_cast<std::uint32_t>(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(size + 4));
    PutBE32(out, static_cast<std::uint32_t>(crc));
}

// How much of a bitmap file is written at a time.
constexpr std::size_t kBmpWriteBytes = 256 * 1024;

bool EndsWithPng(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".png";
}

}  // namespace

namespace {

std::uint32_t BmpStride(std::uint32_t width)
{
    return (width * 3 + 3) & ~3u;
}

// The file header and BITMAPINFOHEADER of a bottom-up 24-bit BMP.
std::vector<std::uint8_t> BmpHeader(std::uint32_t w, std::uint32_t h)
{
    const std::uint32_t imageSize = BmpStride(w) * h;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLE32(out, 54 + imageSize);  // file size
    PutLE32(out, 0);               // reserved
    PutLE32(out, 54);              // pixel data offset
    PutLE32(out, 40);              // BITMAPINFOHEADER
    PutLE32(out, w);
    PutLE32(out, h);  // positive: bottom-up
    PutLE16(out, 1);  // planes
    PutLE16(out, 24);
    PutLE32(out, 0);  // BI_RGB
    PutLE32(out, imageSize);
    PutLE32(out, 2835);  // 72 dpi
    PutLE32(out, 2835);
    PutLE32(out, 0);
    PutLE32(out, 0);
    return out;
}

// Appends the file rows first..first+count-1 (file rows run bottom to top) to `out`.
void AppendBmpRows(std::vector<std::uint8_t>& out, const raster::Bitmap& bitmap, int first, int count)
{
    const std::uint32_t w = static_cast<std::uint32_t>(bitmap.Width());
    const std::uint32_t stride = BmpStride(w);
    for (int r = first; r < first + count; ++r) {
        const std::uint8_t* row = bitmap.Scanline(bitmap.Height() - 1 - r);
        out.insert(out.end(), row, row + w * 3);
        out.insert(out.end(), stride - w * 3, 0);
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const raster::Bitmap& bitmap)
{
    const std::uint32_t w = static_cast<std::uint32_t>(bitmap.Width());
    const std::uint32_t h = static_cast<std::uint32_t>(bitmap.Height());
    std::vector<std::uint8_t> out = BmpHeader(w, h);
    out.reserve(out.size() + static_cast<size_t>(BmpStride(w)) * h);
    AppendBmpRows(out, bitmap, 0, static_cast<int>(h));
    return out;
}

std::vector<std::uint8_t> EncodePng(const raster::Bitmap& bitmap, int level)
{
    const std::uint32_t w = static_cast<std::uint32_t>(bitmap.Width());
    const std::uint32_t h = static_cast<std::uint32_t>(bitmap.Height());
    // Each row: filter byte 0 (none), then RGB.
    std::vector<std::uint8_t> raw;
    raw.reserve((static_cast<size_t>(w) * 3 + 1) * h);
    for (std::uint32_t y = 0; y < h; ++y) {
        raw.push_back(0);
        const std::uint8_t* p = bitmap.Scanline(static_cast<int>(y));
        for (std::uint32_t x = 0; x < w; ++x, p += 3) {
            raw.push_back(p[2]);
            raw.push_back(p[1]);
            raw.push_back(p[0]);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK)
        throw std::runtime_error("PNG compression failed");

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    PutBE32(ihdr, w);
    PutBE32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
    PutChunk(out, "IHDR", ihdr.data(), ihdr.size());
    PutChunk(out, "IDAT", packed.data(), packedSize);
    PutChunk(out, "IEND", nullptr, 0);
    return out;
}

void WritePicture(const std::string& path, const raster::Bitmap& bitmap)
{
    if (bitmap.IsEmpty())
        throw std::runtime_error("cannot write \"" + path + "\": the picture is empty");
    // A failure half-way leaves no broken picture behind, and a picture that was there stays. The
    // pictures written here are made again by running the command again: waiting until they are on
    // the disk would take longer than making them.
    platform::ReplacementFile file(path, platform::ReplacementFile::Durability::InPlace);
    const auto write = [&](const std::vector<std::uint8_t>& bytes) {
        return file.Write(bytes.data(), bytes.size()) == bytes.size();
    };
    bool written;
    if (EndsWithPng(path)) {
        written = write(EncodePng(bitmap));
    } else {
        // A bitmap file holds the rows as they are: they go out a few at a time, not through a
        // copy of the whole picture.
        written =
            write(BmpHeader(static_cast<std::uint32_t>(bitmap.Width()), static_cast<std::uint32_t>(bitmap.Height())));
        const int rowsAtOnce =
            std::max(1, static_cast<int>(kBmpWriteBytes / BmpStride(static_cast<std::uint32_t>(bitmap.Width()))));
        std::vector<std::uint8_t> rows;
        for (int r = 0; written && r < bitmap.Height(); r += rowsAtOnce) {
            rows.clear();
            AppendBmpRows(rows, bitmap, r, std::min(rowsAtOnce, bitmap.Height() - r));
            written = write(rows);
        }
    }
    if (!written || !file.Commit())
        throw std::runtime_error("cannot write \"" + path + "\": " + std::strerror(file.Error()));
}

}  // namespace qel::imaging
