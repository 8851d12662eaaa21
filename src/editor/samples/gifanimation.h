#pragma once
// Looping animated GIF pictures of 24-bit frames, written with giflib. Every animation of a run
// shares one palette made from the colours its frames are drawn from (median cut), so a frame
// that changes only part of the picture is stored as its changed rectangle, the pixels that stay
// as they were transparent.

#include <cstdint>
#include <string>
#include <vector>

#include "raster/bitmap.h"

namespace qel::gallery {

class GifPalette {
public:
    // The last index of the 256 marks "unchanged" pixels.
    static constexpr int kColors = 255;
    static constexpr std::uint8_t kTransparent = 255;

    // At most kColors colours that stand for the given pixels (0x00BBGGRR) with little error.
    explicit GifPalette(std::vector<raster::Color> pixels);

    [[nodiscard]] const std::vector<raster::Color>& Colors() const { return colors_; }
    // The entry nearest to c; remembered, as frames repeat their colours.
    [[nodiscard]] std::uint8_t Index(raster::Color c);

private:
    std::vector<raster::Color> colors_;
    std::vector<std::int16_t> nearest_;  // by 24-bit colour, -1 until asked
};

class GifAnimation {
public:
    GifAnimation(int width, int height, GifPalette& palette);

    // Appends a frame shown for delay centiseconds. A frame equal to the one before lengthens it.
    // Throws std::invalid_argument for a frame of another size.
    void AddFrame(const raster::Bitmap& frame, int delayCentiseconds);
    // Lengthens the last frame.
    void Hold(int centiseconds);
    [[nodiscard]] int FrameCount() const { return int(frames_.size()); }

    // Writes the animation, repeating for ever, to path (through a temporary file beside it, so
    // a failed run leaves no half-written picture). Throws std::runtime_error naming the file
    // and the cause.
    void Write(const std::string& path) const;

private:
    struct Frame {
        int left, top, width, height;
        int delay;
        bool transparent;
        std::vector<std::uint8_t> pixels;
    };

    int width_, height_;
    GifPalette& palette_;
    std::vector<std::uint8_t> shown_;  // the whole picture after the last frame, as indices
    std::vector<Frame> frames_;
};

}  // namespace qel::gallery
