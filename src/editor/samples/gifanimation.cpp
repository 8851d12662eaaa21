#include "gifanimation.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <system_error>

#include <gif_lib.h>

namespace qel::gallery {
namespace {

using raster::Color;

int Channel(Color c, int channel)
{
    return int((c >> (8 * channel)) & 0xFF);
}

// Colour of a frame pixel: the bytes are blue, green, red; the value is 0x00BBGGRR.
Color PixelAt(const std::uint8_t* p)
{
    return Color(p[2]) | Color(p[1]) << 8 | Color(p[0]) << 16;
}

struct Box {
    std::size_t begin, end;
};

// The channel in which the box spreads widest, and how wide.
std::pair<int, int> WidestChannel(const std::vector<Color>& pixels, const Box& box)
{
    std::array<int, 3> low{255, 255, 255}, high{0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (int ch = 0; ch < 3; ++ch) {
            low[ch] = std::min(low[ch], Channel(pixels[i], ch));
            high[ch] = std::max(high[ch], Channel(pixels[i], ch));
        }
    int best = 0;
    for (int ch = 1; ch < 3; ++ch)
        if (high[ch] - low[ch] > high[best] - low[best])
            best = ch;
    return {best, high[best] - low[best]};
}

Color Mean(const std::vector<Color>& pixels, const Box& box)
{
    std::array<std::uint64_t, 3> sum{};
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (int ch = 0; ch < 3; ++ch)
            sum[ch] += std::uint64_t(Channel(pixels[i], ch));
    const std::uint64_t n = box.end - box.begin;
    Color c = 0;
    for (int ch = 0; ch < 3; ++ch)
        c |= Color((sum[ch] + n / 2) / n) << (8 * ch);
    return c;
}

}  // namespace

GifPalette::GifPalette(std::vector<Color> pixels) : nearest_(std::size_t(1) << 24, -1)
{
    if (pixels.empty())
        pixels.push_back(0);
    // Median cut: the box that is widest in one channel, counted by its pixels so that large
    // areas get the finer steps, is split at its median until the palette is full.
    std::vector<Box> boxes{{0, pixels.size()}};
    while (int(boxes.size()) < kColors) {
        std::size_t chosen = boxes.size();
        int channel = 0;
        double bestScore = 0;
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            const auto [ch, range] = WidestChannel(pixels, boxes[b]);
            const double score = double(range) * double(range) * double(boxes[b].end - boxes[b].begin);
            if (range > 0 && score > bestScore) {
                chosen = b;
                channel = ch;
                bestScore = score;
            }
        }
        if (chosen == boxes.size())
            break;  // every box holds one colour
        const Box box = boxes[chosen];
        const auto first = pixels.begin() + std::ptrdiff_t(box.begin);
        const auto last = pixels.begin() + std::ptrdiff_t(box.end);
        const auto middle = first + (last - first) / 2;
        std::nth_element(first, middle, last,
                         [channel](Color a, Color b) { return Channel(a, channel) < Channel(b, channel); });
        const std::size_t split = std::size_t(middle - pixels.begin());
        // By index: adding the second half may move the boxes.
        boxes[chosen].end = split;
        boxes.push_back({split, box.end});
    }
    for (const Box& box : boxes)
        colors_.push_back(Mean(pixels, box));
}

std::uint8_t GifPalette::Index(Color c)
{
    c &= 0xFFFFFF;
    std::int16_t& known = nearest_[c];
    if (known < 0) {
        int best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (int i = 0; i < int(colors_.size()); ++i) {
            int distance = 0;
            for (int ch = 0; ch < 3; ++ch) {
                const int d = Channel(c, ch) - Channel(colors_[std::size_t(i)], ch);
                distance += d * d;
            }
            if (distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        known = std::int16_t(best);
    }
    return std::uint8_t(known);
}

GifAnimation::GifAnimation(int width, int height, GifPalette& palette)
    : width_(width), height_(height), palette_(palette)
{
}

void GifAnimation::AddFrame(const raster::Bitmap& frame, int delayCentiseconds)
{
    if (frame.Width() != width_ || frame.Height() != height_)
        throw std::invalid_argument("a frame of another size than the animation");
    std::vector<std::uint8_t> indices(std::size_t(width_) * std::size_t(height_));
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* row = frame.Scanline(y);
        for (int x = 0; x < width_; ++x)
            indices[std::size_t(y) * std::size_t(width_) + std::size_t(x)] =
                palette_.Index(PixelAt(row + x * raster::kBytesPerPixel));
    }
    if (frames_.empty()) {
        frames_.push_back({0, 0, width_, height_, delayCentiseconds, false, indices});
        shown_ = std::move(indices);
        return;
    }
    // The rectangle around every pixel that changed.
    int left = width_, top = height_, right = -1, bottom = -1;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(width_) + std::size_t(x);
            if (indices[i] != shown_[i]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    if (right < 0) {
        Hold(delayCentiseconds);
        return;
    }
    Frame f{left, top, right - left + 1, bottom - top + 1, delayCentiseconds, true, {}};
    f.pixels.reserve(std::size_t(f.width) * std::size_t(f.height));
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(width_) + std::size_t(x);
            f.pixels.push_back(indices[i] == shown_[i] ? GifPalette::kTransparent : indices[i]);
        }
    frames_.push_back(std::move(f));
    shown_ = std::move(indices);
}

void GifAnimation::Hold(int centiseconds)
{
    if (!frames_.empty())
        frames_.back().delay += centiseconds;
}

namespace {

// A file being written: one that was not finished is closed and removed.
struct GifFile {
    GifFileType* gif = nullptr;
    std::string temporary;
    ~GifFile()
    {
        if (!gif)
            return;
        EGifCloseFile(gif, nullptr);
        std::remove(temporary.c_str());
    }
};

void Check(int result, GifFileType* gif, const std::string& path)
{
    if (result != GIF_OK)
        throw std::runtime_error(path + ": " + GifErrorString(gif->Error));
}

}  // namespace

void GifAnimation::Write(const std::string& path) const
{
    GifFile file{nullptr, path + ".part"};
    const std::string& temporary = file.temporary;
    int error = 0;
    file.gif = EGifOpenFileName(temporary.c_str(), false, &error);
    if (!file.gif)
        throw std::runtime_error(temporary + ": " + GifErrorString(error));
    GifFileType* gif = file.gif;
    EGifSetGifVersion(gif, true);

    std::array<GifColorType, 256> entries{};
    const auto& colors = palette_.Colors();
    for (std::size_t i = 0; i < colors.size(); ++i)
        entries[i] = {GifByteType(Channel(colors[i], 0)), GifByteType(Channel(colors[i], 1)),
                      GifByteType(Channel(colors[i], 2))};
    ColorMapObject* map = GifMakeMapObject(256, entries.data());
    if (!map)
        throw std::runtime_error(path + ": out of memory");
    const int described = EGifPutScreenDesc(gif, width_, height_, 8, 0, map);
    GifFreeMapObject(map);
    Check(described, gif, temporary);

    // Repeat for ever.
    static const GifByteType kLoopName[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kForever[] = {1, 0, 0};
    Check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE), gif, temporary);
    Check(EGifPutExtensionBlock(gif, sizeof kLoopName, kLoopName), gif, temporary);
    Check(EGifPutExtensionBlock(gif, sizeof kForever, kForever), gif, temporary);
    Check(EGifPutExtensionTrailer(gif), gif, temporary);

    for (const Frame& f : frames_) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.UserInputFlag = false;
        control.DelayTime = std::min(f.delay, 65535);
        control.TransparentColor = f.transparent ? GifPalette::kTransparent : NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension), gif, temporary);
        Check(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr), gif, temporary);
        std::vector<GifPixelType> row(std::size_t(f.width));
        for (int y = 0; y < f.height; ++y) {
            std::copy_n(f.pixels.begin() + std::ptrdiff_t(y) * f.width, f.width, row.begin());
            Check(EGifPutLine(gif, row.data(), f.width), gif, temporary);
        }
    }
    file.gif = nullptr;
    if (EGifCloseFile(gif, &error) != GIF_OK) {
        std::remove(temporary.c_str());
        throw std::runtime_error(temporary + ": " + GifErrorString(error));
    }
    // giflib makes the file for its owner only; it is a picture for everyone to read.
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(
        temporary, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read, ec);
    if (!ec)
        fs::rename(temporary, path, ec);
    if (ec) {
        std::remove(temporary.c_str());
        throw std::runtime_error(path + ": " + ec.message());
    }
}

}  // namespace qel::gallery
