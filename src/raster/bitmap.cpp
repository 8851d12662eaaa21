#include "bitmap.h"

#include <cassert>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace qel::raster {

namespace {

// Largest pixel buffer we agree to allocate. A 24-bit picture of this size is far beyond any screen
// or photo; asking for more is treated like any other allocation failure instead of letting the
// system overcommit and fail later.
constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 31;

struct Layout {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::size_t bytes = 0;
};

// Sizes, row stride and buffer size for a bitmap, computed without overflow.
Layout LayoutFor(int width, int height)
{
    Layout l;
    if (width <= 0 || height <= 0) {
        return l;
    }
    // Rows are padded to a multiple of 4 bytes.
    const std::uint64_t stride = (std::uint64_t(width) * kBytesPerPixel + 3) & ~std::uint64_t{3};
    if (stride > kMaxBytes || stride * std::uint64_t(height) > kMaxBytes) {
        throw std::bad_alloc();
    }
    l.width = width;
    l.height = height;
    l.stride = int(stride);
    l.bytes = std::size_t(stride * std::uint64_t(height));
    return l;
}

void PutPixel(std::uint8_t* p, Color c)
{
    const Rgb rgb = ToRgb(c);
    p[0] = rgb.blue;
    p[1] = rgb.green;
    p[2] = rgb.red;
}

}  // namespace

Bitmap::Bitmap(int width, int height)
{
    Resize(width, height);
}

std::uint8_t* Bitmap::Scanline(int y)
{
    assert(y >= 0 && y < height_);
    return data_.data() + std::size_t(y) * std::size_t(stride_);
}

const std::uint8_t* Bitmap::Scanline(int y) const
{
    assert(y >= 0 && y < height_);
    return data_.data() + std::size_t(y) * std::size_t(stride_);
}

void Bitmap::Resize(int width, int height)
{
    const Layout l = LayoutFor(width, height);
    if (l.width == width_ && l.height == height_) {
        return;
    }
    if (l.bytes == 0) {
        data_.clear();
        data_.shrink_to_fit();
    } else {
        try {
            data_.resize(l.bytes);
        } catch (const std::length_error&) {
            throw std::bad_alloc();
        }
    }
    width_ = l.width;
    height_ = l.height;
    stride_ = l.stride;
}

void Bitmap::Fill(const Rect& r, Color c)
{
    const Rect area = r.Intersect(Bounds());
    if (area.IsEmpty()) {
        return;
    }
    const std::size_t rowBytes = std::size_t(area.Width()) * kBytesPerPixel;
    std::uint8_t* first = Scanline(area.top) + std::size_t(area.left) * kBytesPerPixel;
    for (int x = 0; x < area.Width(); ++x) {
        PutPixel(first + std::size_t(x) * kBytesPerPixel, c);
    }
    for (int y = area.top + 1; y < area.bottom; ++y) {
        std::memcpy(Scanline(y) + std::size_t(area.left) * kBytesPerPixel, first, rowBytes);
    }
}

Color Bitmap::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    const std::uint8_t* p = Scanline(y) + std::size_t(x) * kBytesPerPixel;
    return FromRgb({p[2], p[1], p[0]});
}

void Bitmap::SetPixel(int x, int y, Color c)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    PutPixel(Scanline(y) + std::size_t(x) * kBytesPerPixel, c);
}

bool operator==(const Bitmap& a, const Bitmap& b)
{
    if (a.width_ != b.width_ || a.height_ != b.height_) {
        return false;
    }
    // Compare the pixels only: the padding at the end of a row carries no picture.
    const std::size_t rowBytes = std::size_t(a.width_) * kBytesPerPixel;
    for (int y = 0; y < a.height_; ++y) {
        if (std::memcmp(a.Scanline(y), b.Scanline(y), rowBytes) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace qel::raster
