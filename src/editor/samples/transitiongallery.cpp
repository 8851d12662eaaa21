// Draws the transition gallery: for every style, a small looping animation in which the two
// sample pictures come in over each other in that style (the first, the second, the first again),
// drawn by the transition engine itself; and the manual's page that shows them all, in style
// order, with their numbers and names. Run by the build:
//
//   qel_transition_gallery FIRST SECOND MANUAL_FOLDER
//
// writes MANUAL_FOLDER/gallery/transition-NN.gif and MANUAL_FOLDER/gallery.html. The same
// sources give the same files on every machine.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "editor/previewpictures.h"
#include "editor/transitiongallery.h"
#include "gifanimation.h"
#include "imaging/filters.h"
#include "imaging/fitpicture.h"
#include "imaging/pictureloader.h"
#include "imaging/resample.h"
#include "pictureshow/pictureshowengine.h"
#include "pictureshow/random.h"
#include "pictureshow/styles.h"
#include "pictureshow/windowimage.h"
#include "raster/copy.h"

namespace {

namespace fs = std::filesystem;
using namespace qel::pictureshow;
using qel::gallery::GifAnimation;
using qel::gallery::GifPalette;
using qel::raster::Bitmap;
using qel::raster::Rect;
using qel::raster::Region;

// The size of the editor's transition preview, whose place the animations take on hovering.
constexpr int kWidth = qel::editor::kPreviewWidth;
constexpr int kHeight = qel::editor::kPreviewHeight;
// The control's own pace (its initial Delay); a transition of many steps is shown in at most
// kMaxFrames pictures that together last as long. A style that changes the whole picture at every
// step is shown in fewer, so that no animation grows past kMaxBytes.
constexpr int kStepMs = 40;
constexpr int kMaxFrames = 20;
constexpr int kFewestFrames = 4;
constexpr std::uintmax_t kMaxBytes = 60 * 1024;
// Each picture stays this long, in hundredths of a second, before the next transition.
constexpr int kHold = 120;
// The dissolving and swarming styles draw the same pattern on every build.
constexpr std::uint64_t kSeed = 1;

// A sample picture fitted into the animation's size with Lanczos-3, centred on black.
Bitmap Sample(const std::string& path)
{
    const qel::imaging::LoadedPicture picture = qel::imaging::LoadPicture(path);
    if (picture.bitmap.IsEmpty())
        throw std::runtime_error(path + ": no picture");
    const qel::imaging::FitSize size =
        qel::imaging::FitToArea(picture.bitmap.Width(), picture.bitmap.Height(), kWidth, kHeight);
    Bitmap scaled(size.width, size.height);
    const qel::imaging::ResampleFilter& lanczos = qel::imaging::Filter(qel::imaging::kLanczos3);
    qel::imaging::ResampleBitmap(lanczos.kernel, picture.bitmap, scaled, lanczos.support);
    return qel::imaging::ComposeCentered(scaled, kWidth, kHeight, 0);
}

// Every colour the frames are drawn from: both pictures, and their mix, which the fade passes.
std::vector<qel::raster::Color> PaletteSource(const Bitmap& first, const Bitmap& second)
{
    std::vector<qel::raster::Color> pixels;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const qel::raster::Color a = first.Pixel(x, y), b = second.Pixel(x, y);
            pixels.push_back(a);
            pixels.push_back(b);
            qel::raster::Color mix = 0;
            for (int shift = 0; shift < 24; shift += 8)
                mix |= ((((a >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 2) << shift;
            pixels.push_back(mix);
        }
    return pixels;
}

// What the window shows at every step of one transition to `to`, the old picture first.
std::vector<Bitmap> Transition(PictureShowEngine& engine, const WindowImage& window, const Bitmap& to, int style)
{
    std::vector<Bitmap> frames{window.image};
    engine.OnProgress = [&] { frames.push_back(window.image); };
    engine.SetPicture(to);
    engine.SetStyle(style);
    engine.Execute();  // no pacing: every step at once
    engine.OnProgress = nullptr;
    if (engine.Busy())
        throw std::runtime_error("the transition in style " + std::to_string(style) + " did not end");
    frames.push_back(window.image);
    return frames;
}

// The steps after the first, evenly thinned out to maxFrames (the last always kept), each shown
// for as long as the steps it stands for.
void AddTransition(GifAnimation& gif, const std::vector<Bitmap>& frames, int maxFrames)
{
    const int steps = int(frames.size()) - 1;
    const int shown = std::min(steps, maxFrames);
    int previous = 0, carriedMs = 0;
    for (int k = 1; k <= shown; ++k) {
        const int index = (2 * k * steps + shown) / (2 * shown);
        const int ms = (index - previous) * kStepMs + carriedMs;
        gif.AddFrame(frames[std::size_t(index)], ms / 10);
        carriedMs = ms % 10;
        previous = index;
    }
}

void Animate(int style, const Bitmap& first, const Bitmap& second, GifPalette& palette, const std::string& path)
{
    SetFixedSeed(kSeed);
    WindowImage window(kWidth, kHeight);
    PictureShowEngine engine(&window);
    window.engine = &engine;
    engine.SetAutoSize(false);
    engine.SetColor(0);
    // The control first shows the first picture, as after an earlier transition.
    engine.SetPicture(first);
    engine.SetStyle(seWipeLeft);
    engine.Execute();

    const Bitmap start = window.image;
    const std::vector<Bitmap> there = Transition(engine, window, second, style);
    const std::vector<Bitmap> back = Transition(engine, window, first, style);
    for (int maxFrames = kMaxFrames;;) {
        GifAnimation gif(kWidth, kHeight, palette);
        gif.AddFrame(start, kHold);
        AddTransition(gif, there, maxFrames);
        gif.Hold(kHold);
        AddTransition(gif, back, maxFrames);
        gif.Write(path);
        const std::uintmax_t bytes = fs::file_size(path);
        if (bytes <= kMaxBytes || maxFrames == kFewestFrames)
            return;
        // The size follows the number of frames closely for such styles.
        maxFrames = std::max(kFewestFrames, int(std::uintmax_t(maxFrames) * kMaxBytes * 9 / 10 / bytes));
    }
}

std::string Escaped(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

void WritePage(const fs::path& path)
{
    const fs::path temporary = path.string() + ".part";
    {
        std::ofstream page(temporary, std::ios::binary | std::ios::trunc);
        page << R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>QelSaver — the transition effects</title>
<style>
  body { font-family: sans-serif; max-width: 60em; margin: 2em auto; padding: 0 1em; line-height: 1.5; color: #222; }
  h1 { font-size: 1.8em; margin-bottom: 0.2em; }
  .gallery { display: flex; flex-wrap: wrap; gap: 1em 1.2em; margin-top: 1.5em; }
  figure { margin: 0; width: 158px; }
  figure img { display: block; border: 1px solid #bbb; }
  figcaption { font-size: 0.9em; margin-top: 0.2em; }
  .number { color: #777; margin-right: 0.3em; }
</style>
</head>
<body>
<p><a href="index.html#transitions">QelSaver user manual</a> › The transition effects</p>
<h1>The transition effects</h1>
<p>Every effect of the Transitions page, in the order of its list, with the two sample pictures of its
preview. The number is the effect's place in the list, counted from 0. Each effect runs here at the
speed the preview starts with.</p>
<div class="gallery">
)";
        for (int style = 0; style < kStyleCount; ++style) {
            const std::string name = Escaped(StyleDisplayName(style));
            page << "<figure id=\"effect-" << style << "\"><img src=\"" << qel::editor::GalleryAnimationName(style)
                 << "\" width=\"" << kWidth << "\" height=\"" << kHeight << "\" alt=\"" << name
                 << "\" loading=\"lazy\"><figcaption><span class=\"number\">" << style << "</span>" << name
                 << "</figcaption></figure>\n";
        }
        page << "</div>\n</body>\n</html>\n";
        page.close();
        if (!page)
            throw std::runtime_error(temporary.string() + ": cannot be written");
    }
    fs::rename(temporary, path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FIRST SECOND MANUAL_FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const Bitmap first = Sample(argv[1]);
        const Bitmap second = Sample(argv[2]);
        GifPalette palette(PaletteSource(first, second));
        const fs::path folder = argv[3];
        fs::create_directories(folder / "gallery");
        for (int style = 0; style < kStyleCount; ++style)
            Animate(style, first, second, palette, (folder / qel::editor::GalleryAnimationName(style)).string());
        WritePage(folder / qel::editor::kGalleryPage);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
