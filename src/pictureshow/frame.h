#pragma once
// One frame of a transition: the inputs every style reads (sizes, progress, extents, the two
// pictures and the frame bitmap) and what the style hands back to the control's frame pipeline
// (a rectangle copy, a clip to copy the new picture through, or drawing it did itself).
//
// Notation: W, H are the new picture's size; cx = W div 2, cy = H div 2; P is the progress;
// X, Y the revealed width and height, both derived from the longer side so they stay in
// proportion; E the step extent. All integer; division truncates toward zero.

#include <functional>
#include <vector>

#include "raster/bitmap.h"
#include "raster/region.h"

namespace qel::pictureshow {

enum class FrameChoice {
    None,      // the style drew on the frame bitmap itself (or nothing)
    RectCopy,  // copy S of the new picture onto D of the frame bitmap
    Region,    // copy the new picture clipped to `region`
    Rects,     // copy the new picture clipped to the union of `rects` (cheaper than a region)
};

class RegionBuilder;

// A drawing of a style's own onto the frame bitmap (pixels moved, mirrored or blended). The
// pipeline makes it once the style has run, on the old picture, in the order the style gave, and
// before the new picture is copied in; never at the start value or the end value.
struct FrameDrawing {
    raster::Region area;  // the pixels it writes: every one of them, and no other
    std::function<void(raster::Bitmap& frame)> draw;
};

struct FrameContext {
    FrameContext(const raster::Bitmap& oldPicture, const raster::Bitmap& newPicture, raster::Bitmap& frame,
                 int progress, int step);

    int W, H, cx, cy, P, Step, X, Y, E;
    const raster::Bitmap& oldPic;
    const raster::Bitmap& newPic;
    raster::Bitmap& media;

    raster::Rect D, S;
    FrameChoice choice = FrameChoice::None;
    raster::Region region;
    std::vector<raster::Rect> rects;
    std::vector<FrameDrawing> drawings;
    bool invalidateRegion = false;  // incremental styles: the window is told only about the region
    bool endNow = false;            // end the frame at once: no drawing, invalidation or events
    // At the start value the frame is the old picture unchanged: no drawing is made there.
    bool atStart = false;

    // Told about every intermediate copy a style makes itself (picture coordinates).
    std::function<void(const raster::Rect&)> invalidate;

    [[nodiscard]] raster::Rect Bounds() const { return {0, 0, W, H}; }

    // The copies a style makes itself onto the frame bitmap, invalidated at once. Rectangle s of
    // the new (or old) picture onto d, as raster::StretchCopy.
    void StretchCopyNew(const raster::Rect& d, const raster::Rect& s);
    void StretchCopyOld(const raster::Rect& d, const raster::Rect& s);
    // The new picture copied onto the frame bitmap everywhere outside `keep`.
    void CopyNewOutside(const raster::Region& keep);
    // Any other drawing (see FrameDrawing).
    void Draw(raster::Region area, std::function<void(raster::Bitmap&)> draw);

    // The pipeline copies r (or s onto d) of the new picture.
    void Reveal(const raster::Rect& r) { Reveal(r, r); }
    void Reveal(const raster::Rect& d, const raster::Rect& s);
    // The new picture in place inside every one of `parts`, each invalidated; the last is D.
    void RevealAll(std::vector<raster::Rect> parts);
    void UseRegion(raster::Region r, bool incremental = false);
    // The new picture everywhere outside `keep`; the window is told about the whole picture.
    void UseOutside(const raster::Region& keep);
    // The union of what was built, as a region, or as plain rectangles when it holds nothing
    // else: the frame is the same, but building a region of thousands of boxes is skipped.
    void UseShapes(RegionBuilder& b);
};

// Style preparation run by the control's Style setter: resets nothing itself, only sets the
// style's own Step and ProgressMax (the caller has set PictureShowEngine::kDefaultStep and
// kDefaultProgressMax first) and rebuilds the dissolve cell table. w, h are the frame bitmap's
// size.
void PrepareStyle(int style, int w, int h, int& step, int& progressMax);

// k of the interlaced-line styles 32 to 35 (lines per frame and the distance they move).
[[nodiscard]] int LineStyleK(int style, int w, int h);

// The style draws on the frame bitmap itself (pixels moved, mirrored or blended), so its frames
// may hold pixels that are neither the old nor the new picture's pixel at that place.
[[nodiscard]] bool StyleDrawsItself(int style);

// Step 5 of the frame pipeline: the style's own part. False for an unknown style number.
bool RunStyle(int style, FrameContext& f);

// Families, one file each.
void WipeStyle(int style, FrameContext& f);       // 0-3, 18-21, 30, 42, 44
void MultiWipeStyle(int style, FrameContext& f);  // 4-7, 31, 43, 45
void SlideStyle(int style, FrameContext& f);      // 26, 27, 40, 41, 53-56, 59, 60
void RollStyle(int style, FrameContext& f);       // 61-64
void FadeStyle(FrameContext& f);                  // 91
void PolygonStyle(int style, FrameContext& f);    // 8, 9, 28, 29, 36-39, 48, 65, 66, 75-80
void RoundedStyle(int style, FrameContext& f);    // 16, 17, 67-70, 87-90
void BandStyle(int style, FrameContext& f);       // 10-15, 22-25, 49-52, 57, 58
void LinesStyle(int style, FrameContext& f);      // 32-35
void RandomStyle(int style, FrameContext& f);     // 46, 47, 71-74, 81-86

}  // namespace qel::pictureshow
