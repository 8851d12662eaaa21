// Wipes, multi-rectangle wipes, slides, rolls and the fade: the styles built from rectangle
// copies and pixel work.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "pictureshow/frame.h"
#include "pictureshow/numerics.h"
#include "pictureshow/styles.h"
#include "raster/copy.h"

namespace qel::pictureshow {

using raster::Rect;

void WipeStyle(int style, FrameContext& f)
{
    const int W = f.W, H = f.H, X = f.X, Y = f.Y;
    switch (style) {
    case seWipeLeft: f.Reveal({0, 0, X, H}); break;
    case seWipeRight: f.Reveal({W - X, 0, W, H}); break;
    case seWipeUp: f.Reveal({0, 0, W, Y}); break;
    case seWipeDown: f.Reveal({0, H - Y, W, H}); break;
    case seWipeTL: f.Reveal({0, 0, X, Y}); break;
    case seWipeBL: f.Reveal({0, H - Y, X, H}); break;
    case seWipeTR: f.Reveal({W - X, 0, W, Y}); break;
    case seWipeBR: f.Reveal({W - X, H - Y, W, H}); break;
    case seBoxOut: f.Reveal({(W - X) / 2, (H - Y) / 2, (W + X) / 2, (H + Y) / 2}); break;
    case seWinOpen: f.Reveal({(W - X) / 2, 0, (W + X) / 2, H}); break;
    case seWinOpenH: f.Reveal({0, (H - Y) / 2, W, (H + Y) / 2}); break;
    default: break;
    }
}

void MultiWipeStyle(int style, FrameContext& f)
{
    const int W = f.W, H = f.H, X = f.X, Y = f.Y, cx = f.cx, cy = f.cy;
    switch (style) {
    case seWipeBoxLT:
    case seWipeBoxLB:
    case seWipeBoxRT:
    case seWipeBoxRB: {
        // One box grows in the top-left quadrant and is repeated in the other three.
        Rect b;
        if (style == seWipeBoxLT)
            b = {0, 0, X / 2 + 1, Y / 2 + 1};
        else if (style == seWipeBoxLB)
            b = {0, (H - Y) / 2 - 1, X / 2 + 1, cy + 1};
        else if (style == seWipeBoxRT)
            b = {(W - X) / 2 - 1, 0, cx + 1, Y / 2 + 1};
        else
            b = {(W - X) / 2 - 1, (H - Y) / 2 - 1, cx + 1, cy + 1};
        f.RevealAll({b, b.Offset(cx, 0), b.Offset(0, cy), b.Offset(cx, cy)});
        break;
    }
    case seBoxIn: f.RevealAll({{0, 0, W, Y / 2}, {0, H - Y / 2, W, H}, {0, 0, X / 2, H}, {W - X / 2, 0, W, H}}); break;
    case seWinClose: f.RevealAll({{0, 0, X / 2 + 1, H}, {W - X / 2 - 1, 0, W, H}}); break;
    case seWinCloseH: f.RevealAll({{0, 0, W, Y / 2 + 1}, {0, H - Y / 2 - 1, W, H}}); break;
    default: break;
    }
}

namespace {

// Band size of the blinds: a multiple of 5, at least 10.
int BlindBand(int length, int q)
{
    return std::max((Round(static_cast<double>(length) / q) / 5) * 5, 10);
}

void SlidingBlinds(int style, FrameContext& f)
{
    const int W = f.W, H = f.H;
    if (f.P == 0) {
        f.endNow = true;
        return;
    }
    const bool horizontal = style == seXBlindHD || style == seXBlindHU;
    const int length = horizontal ? H : W;
    const int b = BlindBand(length, horizontal ? 25 : 30);
    const int fb = MulDiv(b, f.P, 100);
    const int last = length / b;
    std::vector<std::pair<Rect, Rect>> pairs;
    for (int i = 0; i <= last; ++i) {
        Rect d, s;
        const int lo = i * b, hi = (i + 1) * b;
        // clang-format off
        switch (style) {
        case seXBlindHD: d = {0, lo, W, lo + fb}; s = {0, hi - fb, W, hi}; break;
        case seXBlindVR: d = {lo, 0, lo + fb, H}; s = {hi - fb, 0, hi, H}; break;
        case seXBlindHU: d = {0, hi - fb, W, hi}; s = {0, lo, W, lo + fb}; break;
        default: d = {hi - fb, 0, hi, H}; s = {lo, 0, lo + fb, H}; break;
        }
        // clang-format on
        if (i < last)
            pairs.emplace_back(d, s);
        else
            f.Reveal(d, s);
    }
    // The bands are copied together row by row, then each is invalidated.
    std::vector<Rect> areas;
    for (const auto& [d, s] : pairs)
        areas.push_back(raster::CopyArea(f.media, d.left, d.top, f.newPic, s));
    f.Draw(raster::Region::FromRects(areas),
           [&newPic = f.newPic, pairs](raster::Bitmap& frame) { raster::CopyBatch(frame, newPic, pairs); });
    if (f.invalidate)
        for (const auto& pair : pairs)
            f.invalidate(pair.first.Normalized());
}

}  // namespace

void SlideStyle(int style, FrameContext& f)
{
    const int W = f.W, H = f.H, X = f.X, Y = f.Y, cx = f.cx, cy = f.cy;
    const int x2 = X / 2, y2 = Y / 2;
    switch (style) {
    case seCrossOut:
        f.StretchCopyOld({0, 0, (W - X) / 2, (H - Y) / 2}, {x2, y2, cx, cy});
        f.StretchCopyOld({0, (H + Y) / 2, (W - X) / 2, H}, {x2, cy, cx, H - y2});
        f.StretchCopyOld({(W + X) / 2, 0, W, (H - Y) / 2}, {cx, y2, W - x2, cy});
        f.StretchCopyOld({(W + X) / 2, (H + Y) / 2, W, H}, {cx, cy, W - x2, H - y2});
        f.StretchCopyNew({0, (H - Y) / 2, W, (H + Y) / 2}, {0, (H - Y) / 2, W, (H + Y) / 2});
        f.Reveal({(W - X) / 2, 0, (W + X) / 2, H});
        break;
    case seCrossIn:
        f.StretchCopyNew({0, 0, x2 + 1, y2 + 1}, {(W - X) / 2 - 1, (H - Y) / 2 - 1, cx, cy});
        f.StretchCopyNew({0, H - y2, x2, H}, {(W - X) / 2, cy, cx, (H + Y) / 2});
        f.StretchCopyNew({W - x2 - 1, 0, W, y2 + 1}, {cx, (H - Y) / 2 - 1, (W + X) / 2 + 1, cy});
        f.Reveal({W - x2, H - y2, W, H}, {cx, cy, (W + X) / 2, (H + Y) / 2});
        break;
    case seSplitH:
        f.StretchCopyOld({0, 0, (W - X) / 2, H}, {x2, 0, cx, H});
        f.StretchCopyOld({(W + X) / 2, 0, W, H}, {cx, 0, W - x2, H});
        f.Reveal({(W - X) / 2, 0, (W + X) / 2, H});
        break;
    case seSplitV:
        f.StretchCopyOld({0, 0, W, (H - Y) / 2}, {0, y2, W, cy});
        f.StretchCopyOld({0, (H + Y) / 2, W, H}, {0, cy, W, H - y2});
        f.Reveal({0, (H - Y) / 2, W, (H + Y) / 2});
        break;
    case seSweatOut:
        f.StretchCopyNew({(W - X) / 2, (H - Y) / 2, cx, cy}, {0, 0, x2, y2});
        f.StretchCopyNew({cx, (H - Y) / 2, (W + X) / 2, cy}, {W - x2, 0, W, y2});
        f.StretchCopyNew({(W - X) / 2, cy, cx, (H + Y) / 2}, {0, H - y2, x2, H});
        f.Reveal({cx, cy, (W + X) / 2, (H + Y) / 2}, {W - x2, H - y2, W, H});
        break;
    case seSweatIn:
        f.StretchCopyOld({x2, y2, cx, cy}, {0, 0, (W - X) / 2, (H - Y) / 2});
        f.StretchCopyOld({cx, y2, W - x2, cy}, {(W + X) / 2, 0, W, (H - Y) / 2});
        f.StretchCopyOld({x2, cy, cx, H - y2}, {0, (H + Y) / 2, (W - X) / 2, H});
        f.StretchCopyOld({cx, cy, W - x2, H - y2}, {(W + X) / 2, (H + Y) / 2, W, H});
        f.CopyNewOutside(raster::Region::FromRect(x2, y2, W - x2, H - y2));
        f.D = {0, 0, W, H};
        break;
    case seXBlindHD:
    case seXBlindVR:
    case seXBlindHU:
    case seXBlindVL: SlidingBlinds(style, f); break;
    default: break;
    }
}

void RollStyle(int style, FrameContext& f)
{
    const int W = f.W, H = f.H;
    const bool horizontal = style == seRollLeft || style == seRollRight;
    const int L = horizontal ? W : H;
    const int e = horizontal ? f.X : f.Y;
    // The rolled strip is half the uncovered part at first, a tenth of the picture in the middle,
    // and narrows to nothing at the end.
    int r;
    if (e < L / 5)
        r = e / 2;
    else if (L < L / 5 + e)
        r = (L - e) / 2;
    else
        r = L / 10;

    Rect d, s, reveal;
    // clang-format off
    switch (style) {
    case seRollLeft: d = {e, 0, e + r, H}; s = {e + r, 0, e + 2 * r, H}; reveal = {0, 0, e, H}; break;
    case seRollRight: d = {W - e - r, 0, W - e, H}; s = {W - e - 2 * r, 0, W - e - r, H}; reveal = {W - e, 0, W, H}; break;
    case seRollUp: d = {0, e, W, e + r}; s = {0, e + r, W, e + 2 * r}; reveal = {0, 0, W, e}; break;
    default: d = {0, H - e - r, W, H - e}; s = {0, H - e - 2 * r, W, H - e - r}; reveal = {0, H - e, W, H}; break;
    }
    // clang-format on
    s = s.Intersect(f.newPic.Bounds());
    if (!s.IsEmpty() && !f.atStart) {
        // The destination is given the wrong way round so the strip is drawn mirrored.
        Rect flipped = horizontal ? Rect{d.right + 1, d.top, d.left - 1, d.bottom}
                                  : Rect{d.left, d.bottom + 1, d.right, d.top - 1};
        f.Draw(raster::Region::FromRect(raster::StretchCopyArea(f.media, flipped, f.newPic, s)),
               [&newPic = f.newPic, flipped, s](raster::Bitmap& frame) {
                   raster::StretchCopy(frame, flipped, newPic, s);
               });
        if (f.invalidate) {
            // A mirrored destination covers right + 1 ... left inclusive.
            Rect covered = horizontal ? Rect{flipped.right + 1, d.top, flipped.left + 1, d.bottom}
                                      : Rect{d.left, flipped.bottom + 1, d.right, flipped.top + 1};
            f.invalidate(covered);
        }
    }
    f.Reveal(reveal);
}

namespace {

// One row of the fade: dst := old * q div 100 + new * p div 100, p + q = 100.
// Each product fits in 16 bits (at most 25500), and t div 100 == ((t * 5243) >> 16) >> 3 for
// every such t, so the division becomes a high-half multiply the compiler turns into SIMD (twice
// as wide where the processor has AVX2).
__attribute__((target_clones("avx2", "default"))) void FadeRow(std::uint8_t* __restrict dst,
                                                               const std::uint8_t* __restrict older,
                                                               const std::uint8_t* __restrict newer, int n,
                                                               std::uint16_t p)
{
    const std::uint16_t q = static_cast<std::uint16_t>(100 - p);
    for (int i = 0; i < n; ++i) {
        const auto ta = static_cast<std::uint16_t>(older[i] * q);
        const auto tb = static_cast<std::uint16_t>(newer[i] * p);
        const auto a = static_cast<std::uint16_t>(static_cast<std::uint16_t>((std::uint32_t{ta} * 5243u) >> 16) >> 3);
        const auto b = static_cast<std::uint16_t>(static_cast<std::uint16_t>((std::uint32_t{tb} * 5243u) >> 16) >> 3);
        dst[i] = static_cast<std::uint8_t>(a + b);
    }
}

}  // namespace

void FadeStyle(FrameContext& f)
{
    if (f.atStart)
        return;
    // Each of the three colour bytes: old * (100 - P) div 100 + P * new div 100, each term
    // truncated on its own. Read from both pictures, so the frame needs no old picture first.
    const auto p = static_cast<std::uint16_t>(std::clamp(f.P, 0, 100));
    f.Draw(raster::Region::FromRect(f.Bounds()), [&f, p](raster::Bitmap& frame) {
        for (int y = 0; y < f.H; ++y)
            FadeRow(frame.Scanline(y), f.oldPic.Scanline(y), f.newPic.Scanline(y), f.W * raster::kBytesPerPixel, p);
    });
}

}  // namespace qel::pictureshow
