#pragma once
// Pictures and a window stand-in for the transition tests.
//
// Old pictures carry blue 0x11 in every pixel and new ones blue 0xEE; green and red vary with
// the position. So any pixel of a frame tells which picture it came from, even after a slide
// moved it, and a pixel from neither (black, garbage) is caught.

#include <cstdint>

#include "pictureshow/pictureshowengine.h"
#include "raster/bitmap.h"
#include "raster/copy.h"
#include "raster/region.h"

namespace qel::pictureshow::test {

inline constexpr std::uint8_t kOldMark = 0x11;
inline constexpr std::uint8_t kNewMark = 0xEE;

inline raster::Bitmap MakePicture(int w, int h, std::uint8_t mark)
{
    raster::Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.Scanline(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = mark;
            row[3 * x + 1] = static_cast<std::uint8_t>(x * 7 + y * 3);
            row[3 * x + 2] = static_cast<std::uint8_t>((x ^ y) + mark);
        }
    }
    return b;
}

inline std::uint8_t Mark(const raster::Bitmap& b, int x, int y)
{
    return b.Scanline(y)[3 * x];
}

// Records invalidations and keeps an image of what a window would show: every immediate
// update copies the invalidated area of the painted client area onto it.
class WindowImage : public PictureShowHost {
public:
    WindowImage(int w, int h) : image(w, h), w_(w), h_(h) {}

    PictureShowEngine* engine = nullptr;
    raster::Bitmap image;
    raster::Region invalidated;  // everything invalidated since the last ResetRecord()
    int updates = 0;
    int sizeRequests = 0;

    void ResetRecord() { invalidated = raster::Region(); }

    void InvalidateRect(const raster::Rect& r) override { Add(raster::Region::FromRect(r)); }
    void InvalidateRegion(const raster::Region& r) override { Add(r); }
    void UpdateNow() override
    {
        ++updates;
        if (pending_.IsEmpty() || !engine)
            return;
        engine->Paint(pending_.Bounds());
        raster::CopyClipped(image, 0, 0, engine->Offscreen(), pending_);
        pending_ = raster::Region();
    }
    int ClientWidth() const override { return w_; }
    int ClientHeight() const override { return h_; }
    void SetClientSize(int w, int h) override
    {
        ++sizeRequests;
        w_ = w;
        h_ = h;
    }

private:
    void Add(const raster::Region& r)
    {
        pending_.Combine(r, raster::CombineMode::Or);
        invalidated.Combine(r, raster::CombineMode::Or);
    }

    raster::Region pending_;
    int w_, h_;
};

// An engine hosted by a WindowImage that already shows `old` (after a first transition).
struct ShownControl {
    WindowImage window;
    PictureShowEngine engine;

    ShownControl(const raster::Bitmap& old, int clientW, int clientH) : window(clientW, clientH), engine(&window)
    {
        window.engine = &engine;
        engine.SetAutoSize(false);
        engine.SetPicture(old);
        engine.Execute();
        window.ResetRecord();
    }
};

}  // namespace qel::pictureshow::test
