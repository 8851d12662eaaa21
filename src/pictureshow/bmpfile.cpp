#include "pictureshow/bmpfile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace qel::pictureshow {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr std::int64_t kMaxPixels = 1LL << 28;  // 268 million pixels: far beyond any screen

std::uint32_t GetLE32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t GetLE16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void PutLE32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutLE16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

[[noreturn]] void Fail(const std::string& path, const std::string& cause)
{
    throw std::runtime_error(path + ": " + cause);
}

}  // namespace

raster::Bitmap ReadBmp24(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Fail(path, std::string("cannot open: ") + std::strerror(errno));
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        Fail(path, "read error");
    if (data.size() < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M')
        Fail(path, "not a BMP file");
    const std::uint8_t* info = data.data() + kFileHeaderSize;
    const std::uint32_t offset = GetLE32(data.data() + 10);
    const std::uint32_t infoSize = GetLE32(info);
    if (infoSize < kInfoHeaderSize)
        Fail(path, "unsupported BMP header (only BITMAPINFOHEADER and later)");
    const auto width = static_cast<std::int32_t>(GetLE32(info + 4));
    const auto height = static_cast<std::int32_t>(GetLE32(info + 8));
    const std::uint16_t bits = GetLE16(info + 14);
    const std::uint32_t compression = GetLE32(info + 16);
    if (bits != 24)
        Fail(path, "unsupported BMP: " + std::to_string(bits) + " bits per pixel (only 24-bit)");
    if (compression != 0)
        Fail(path, "unsupported BMP: compressed");
    const bool topDown = height < 0;
    const std::int64_t w = width, h = topDown ? -static_cast<std::int64_t>(height) : height;
    if (w <= 0 || h <= 0 || w * h > kMaxPixels)
        Fail(path, "bad BMP size " + std::to_string(w) + "x" + std::to_string(h));
    const std::int64_t stride = (w * 3 + 3) / 4 * 4;
    if (offset > data.size() || static_cast<std::int64_t>(data.size() - offset) < stride * (h - 1) + w * 3)
        Fail(path, "truncated BMP file");

    raster::Bitmap bitmap(static_cast<int>(w), static_cast<int>(h));
    for (std::int64_t y = 0; y < h; ++y) {
        const std::int64_t fileRow = topDown ? y : h - 1 - y;
        std::memcpy(bitmap.Scanline(static_cast<int>(y)), data.data() + offset + fileRow * stride,
                    static_cast<size_t>(w * 3));
    }
    return bitmap;
}

void WriteBmp24(const std::string& path, const raster::Bitmap& bitmap)
{
    const int w = bitmap.Width(), h = bitmap.Height();
    const std::uint32_t stride = static_cast<std::uint32_t>((w * 3 + 3) / 4 * 4);
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(h);
    std::vector<std::uint8_t> header(kFileHeaderSize + kInfoHeaderSize, 0);
    header[0] = 'B';
    header[1] = 'M';
    PutLE32(&header[2], static_cast<std::uint32_t>(header.size()) + imageSize);
    PutLE32(&header[10], static_cast<std::uint32_t>(header.size()));
    std::uint8_t* info = &header[kFileHeaderSize];
    PutLE32(info, kInfoHeaderSize);
    PutLE32(info + 4, static_cast<std::uint32_t>(w));
    PutLE32(info + 8, static_cast<std::uint32_t>(h));
    PutLE16(info + 12, 1);
    PutLE16(info + 14, 24);
    PutLE32(info + 20, imageSize);
    PutLE32(info + 24, 2835);  // 72 dpi
    PutLE32(info + 28, 2835);

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        Fail(path, std::string("cannot create: ") + std::strerror(errno));
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    std::vector<std::uint8_t> row(stride, 0);
    for (int y = h - 1; y >= 0; --y) {
        std::memcpy(row.data(), bitmap.Scanline(y), static_cast<size_t>(w) * 3);
        out.write(reinterpret_cast<const char*>(row.data()), stride);
    }
    out.close();
    if (!out)
        Fail(path, "write error");
}

}  // namespace qel::pictureshow
