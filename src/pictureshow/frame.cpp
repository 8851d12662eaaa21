#include "pictureshow/frame.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "pictureshow/celltable.h"
#include "pictureshow/numerics.h"
#include "pictureshow/pictureshowengine.h"
#include "pictureshow/regionbuilder.h"
#include "pictureshow/styles.h"
#include "raster/copy.h"

namespace qel::pictureshow {

using raster::Rect;
using raster::Region;

FrameContext::FrameContext(const raster::Bitmap& oldPicture, const raster::Bitmap& newPicture, raster::Bitmap& frame,
                           int progress, int step)
    : W(newPicture.Width()), H(newPicture.Height()), cx(W / 2), cy(H / 2), P(progress), Step(step), X(0), Y(0), E(0),
      oldPic(oldPicture), newPic(newPicture), media(frame), D{0, 0, W, H}, S{0, 0, W, H}
{
    // Both extents come from the longer side so they stay in proportion; the divisor is 100
    // even for styles with another end value.
    if (H <= W) {
        X = MulDiv(W, P, 100);
        Y = MulDiv(X, H, W);
    } else {
        Y = MulDiv(H, P, 100);
        X = MulDiv(Y, W, H);
    }
    E = MulDiv(std::max(W, H), Step, 90);
}

void FrameContext::StretchCopyNew(const Rect& d, const Rect& s)
{
    Draw(Region::FromRect(raster::StretchCopyArea(media, d, newPic, s)),
         [this, d, s](raster::Bitmap& frame) { raster::StretchCopy(frame, d, newPic, s); });
    if (invalidate)
        invalidate(d.Normalized());
}

void FrameContext::StretchCopyOld(const Rect& d, const Rect& s)
{
    Draw(Region::FromRect(raster::StretchCopyArea(media, d, oldPic, s)),
         [this, d, s](raster::Bitmap& frame) { raster::StretchCopy(frame, d, oldPic, s); });
    if (invalidate)
        invalidate(d.Normalized());
}

void FrameContext::CopyNewOutside(const Region& keep)
{
    Region outside = Region::FromRect(0, 0, W, H);
    outside.Combine(keep, raster::CombineMode::Diff);
    Draw(outside, [this, outside](raster::Bitmap& frame) { raster::CopyClipped(frame, 0, 0, newPic, outside); });
    if (invalidate)
        invalidate(Rect{0, 0, W, H});
}

void FrameContext::Draw(Region area, std::function<void(raster::Bitmap&)> draw)
{
    drawings.push_back({std::move(area), std::move(draw)});
}

void FrameContext::Reveal(const Rect& d, const Rect& s)
{
    D = d;
    S = s;
    choice = FrameChoice::RectCopy;
}

void FrameContext::RevealAll(std::vector<Rect> parts)
{
    if (parts.empty())
        return;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
        if (invalidate)
            invalidate(parts[i].Normalized());
    D = S = parts.back();
    rects = std::move(parts);
    choice = FrameChoice::Rects;
    invalidateRegion = false;
}

void FrameContext::UseRegion(Region r, bool incremental)
{
    region = std::move(r);
    choice = FrameChoice::Region;
    invalidateRegion = incremental;
}

void FrameContext::UseOutside(const Region& keep)
{
    Region outside = Region::FromRect(0, 0, W, H);
    outside.Combine(keep, raster::CombineMode::Diff);
    UseRegion(std::move(outside));
    D = Bounds();
}

void FrameContext::UseShapes(RegionBuilder& b)
{
    if (b.OnlyRects()) {
        rects = b.TakeRects();
        choice = FrameChoice::Rects;
        invalidateRegion = false;
        return;
    }
    UseRegion(b.Take());
}

int LineStyleK(int style, int w, int h)
{
    if (style == seChordLeft || style == seChordRight)
        return std::min(std::max((Round(w / 30.0) / 2) * 2, 10), 26);
    return std::min(std::max((Round(h / 25.0) / 2) * 2, 8), 22);
}

void PrepareStyle(int style, int w, int h, int& step, int& progressMax)
{
    switch (style) {
    case seChordLeft:
    case seChordRight: {
        int k = LineStyleK(style, w, h);
        progressMax = w / k + k;
        step = 1;
        break;
    }
    case seChordDown:
    case seChordUp: {
        int k = LineStyleK(style, w, h);
        progressMax = h / k + k;
        step = 1;
        break;
    }
    case seDissolve: CellTable::Instance().Build(w, h, w / 40); break;
    case seLDissolve: CellTable::Instance().Build(w, h, w / 20); break;
    default:
        if ((style >= seBlindHD && style <= seBoxZoomOut) || style == seFade)
            step = 5;
        break;
    }
    // A very wide picture must not push the end past what the progress can hold.
    progressMax = std::min(progressMax, PictureShowEngine::kProgressLimit);
}

// Style numbers by family, one family per line.
// clang-format off
bool StyleDrawsItself(int style)
{
    switch (style) {
    case 26: case 27: case 40: case 41: case 53: case 54: case 55: case 56: case 59: case 60:  // slides
    case 61: case 62: case 63: case 64:                                                  // rolls
    case 91:                                                                             // fade
        return true;
    default:
        return false;
    }
}

bool RunStyle(int style, FrameContext& f)
{
    switch (style) {
    case 0: case 1: case 2: case 3: case 18: case 19: case 20: case 21: case 30: case 42: case 44:
        WipeStyle(style, f);
        return true;
    case 4: case 5: case 6: case 7: case 31: case 43: case 45:
        MultiWipeStyle(style, f);
        return true;
    case 26: case 27: case 40: case 41: case 53: case 54: case 55: case 56: case 59: case 60:
        SlideStyle(style, f);
        return true;
    case 61: case 62: case 63: case 64:
        RollStyle(style, f);
        return true;
    case 91:
        FadeStyle(f);
        return true;
    case 8: case 9: case 28: case 29: case 36: case 37: case 38: case 39: case 48: case 65: case 66:
    case 75: case 76: case 77: case 78: case 79: case 80:
        PolygonStyle(style, f);
        return true;
    case 16: case 17: case 67: case 68: case 69: case 70: case 87: case 88: case 89: case 90:
        RoundedStyle(style, f);
        return true;
    case 10: case 11: case 12: case 13: case 14: case 15: case 22: case 23: case 24: case 25:
    case 49: case 50: case 51: case 52: case 57: case 58:
        BandStyle(style, f);
        return true;
    case 32: case 33: case 34: case 35:
        LinesStyle(style, f);
        return true;
    case 46: case 47: case 71: case 72: case 73: case 74: case 81: case 82: case 83: case 84: case 85: case 86:
        RandomStyle(style, f);
        return true;
    default:
        return false;
    }
}
// clang-format on

}  // namespace qel::pictureshow
