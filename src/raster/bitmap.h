#pragma once
// 24-bit pictures in memory: three bytes per pixel in blue, green, red order, rows top to bottom,
// each row Stride() bytes (Width()*3 rounded up to 4, as the platform's device-independent bitmaps).

#include <cstdint>
#include <vector>

#include "color.h"
#include "rect.h"

namespace qel::raster {

// Blue, green, red: one byte each.
inline constexpr int kBytesPerPixel = 3;

class Bitmap {
public:
    Bitmap() = default;
    // A width x height bitmap filled with black. Sizes below 0 count as 0; an empty bitmap has
    // no pixels. Throws std::bad_alloc when the memory cannot be had, and for any size above
    // 2 GiB of pixel data (so a corrupt picture header cannot ask for absurd amounts).
    Bitmap(int width, int height);

    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] int Stride() const { return stride_; }
    [[nodiscard]] bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }
    [[nodiscard]] Rect Bounds() const { return {0, 0, width_, height_}; }

    // Row y (0 = top); asserts 0 <= y < Height() in debug builds.
    [[nodiscard]] std::uint8_t* Scanline(int y);
    [[nodiscard]] const std::uint8_t* Scanline(int y) const;

    // Resizes; the content is undefined afterwards (black when newly allocated). The same size
    // keeps the content. On std::bad_alloc the bitmap is left as it was.
    void Resize(int width, int height);

    // Fills r (clipped to the bitmap) with colour c (0x00BBGGRR).
    void Fill(const Rect& r, Color c);
    void Fill(Color c) { Fill(Bounds(), c); }

    // Pixel access for tests and slow paths; returns/takes 0x00BBGGRR. Outside the bitmap Pixel
    // returns 0 and SetPixel does nothing.
    [[nodiscard]] Color Pixel(int x, int y) const;
    void SetPixel(int x, int y, Color c);

    // Same size and same pixels; the padding bytes at the ends of rows are not compared.
    friend bool operator==(const Bitmap& a, const Bitmap& b);

private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::vector<std::uint8_t> data_;
};

}  // namespace qel::raster
