#pragma once
// A window that only exists as a picture: what the engine invalidates is painted and copied onto
// `image` at every immediate update, as a real window's repaint would show it. For drawing a style's
// frames without a screen (the frame command, the gallery of styles).

#include "pictureshow/pictureshowengine.h"
#include "raster/bitmap.h"
#include "raster/copy.h"
#include "raster/region.h"

namespace qel::pictureshow {

class WindowImage : public PictureShowHost {
public:
    WindowImage(int width, int height) : image(width, height), width_(width), height_(height) {}

    PictureShowEngine* engine = nullptr;
    raster::Bitmap image;

    void InvalidateRect(const raster::Rect& r) override
    {
        pending_.Combine(raster::Region::FromRect(r), raster::CombineMode::Or);
    }
    void InvalidateRegion(const raster::Region& r) override { pending_.Combine(r, raster::CombineMode::Or); }
    void UpdateNow() override
    {
        if (pending_.IsEmpty() || !engine)
            return;
        engine->Paint(pending_.Bounds());
        raster::CopyClipped(image, 0, 0, engine->Offscreen(), pending_);
        pending_ = raster::Region();
    }
    int ClientWidth() const override { return width_; }
    int ClientHeight() const override { return height_; }
    void SetClientSize(int, int) override {}

private:
    raster::Region pending_;
    int width_, height_;
};

}  // namespace qel::pictureshow
