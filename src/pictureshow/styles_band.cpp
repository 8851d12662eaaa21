// Band wipes, blinds, chequers, box zooms and the interlaced lines: regions made of many
// rectangles laid out on a grid of bands.

#include <algorithm>

#include "pictureshow/frame.h"
#include "pictureshow/numerics.h"
#include "pictureshow/regionbuilder.h"
#include "pictureshow/styles.h"

namespace qel::pictureshow {

using raster::Rect;
using raster::Region;

namespace {

// Rectangles in (along, across) coordinates: for the row pass "along" is x, for the column
// pass it is y, so one builder serves both.
struct Axis {
    bool rows;
    RegionBuilder& b;
    void Add(int a0, int c0, int a1, int c1) const
    {
        if (rows)
            b.AddRect(a0, c0, a1, c1);
        else
            b.AddRect(c0, a0, c1, a1);
    }
};

// Styles 10 to 15. `along` is the length the bands cross (W for rows, H for columns), `across`
// the other side, t the band thickness.
void BandWipe(int kind, const Axis& axis, int along, int across, int t, int a, int E)
{
    if (kind == 2) {
        // Both directions at once: each band enters from the far side, the one below from the near.
        for (int e = 0; e < across + t; e += 2 * t) {
            axis.Add(along - a, e, along, e + t);
            axis.Add(0, e + t, a, e + 2 * t);
        }
        return;
    }
    if (a <= along) {
        // First phase: alternate bands cross; snap to the end when the next step would pass it.
        if (a + E > along)
            a = along;
        for (int e = 0; e < across + t; e += 2 * t) {
            if (kind == 0)
                axis.Add(0, e, a, e + t);
            else
                axis.Add(along - a, e, along, e + t);
        }
        return;
    }
    // Second phase: the crossed bands are whole, the others cross back from the other side.
    for (int e = t; e < across + t; e += 2 * t) {
        axis.Add(0, e - t, along, e);
        if (kind == 0)
            axis.Add(2 * along - a, e, along, e + t);
        else
            axis.Add(0, e, a - along, e + t);
    }
}

int BlindBand(int length, int q)
{
    return std::max((Round(static_cast<double>(length) / q) / 5) * 5, 10);
}

}  // namespace

void BandStyle(int style, FrameContext& f)
{
    const int W = f.W, H = f.H, P = f.P;
    RegionBuilder b(f.Bounds());
    switch (style) {
    case seBandWL:
    case seBandWR:
    case seBandCrossH: {
        // Pictures narrower than 70 pixels would give bands of thickness 0.
        const int t = std::max(W / 70, 1);
        const int kind = style == seBandWL ? 0 : style == seBandWR ? 1 : 2;
        BandWipe(kind, Axis{true, b}, W, H, t, kind == 2 ? f.X : 2 * f.X, f.E);
        break;
    }
    case seBandWU:
    case seBandWD:
    case seBandCrossV: {
        const int t = std::max(H / 50, 1);
        const int kind = style == seBandWU ? 0 : style == seBandWD ? 1 : 2;
        // Along a column, "left" of the row pass is its top: 13 fills from the top, 14 from
        // the bottom, 15 alternates bottom and top.
        const int a = kind == 2 ? f.Y : 2 * f.Y;
        BandWipe(kind, Axis{false, b}, H, W, t, a, f.E);
        break;
    }
    case seBlindHD:
    case seBlindVR:
    case seBlindHU:
    case seBlindVL: {
        if (P == 0) {
            f.endNow = true;
            return;
        }
        const bool horizontal = style == seBlindHD || style == seBlindHU;
        const int bs = horizontal ? BlindBand(H, 25) : BlindBand(W, 30);
        const int fb = MulDiv(bs, P, 100);
        if (style == seBlindHD)
            for (int y = 0; y < H + bs; y += bs)
                b.AddRect(0, y, W, y + fb);
        else if (style == seBlindVR)
            for (int x = 0; x < W; x += bs)
                b.AddRect(x, 0, x + fb, H);
        else if (style == seBlindHU)
            for (int y = 0; y < H + bs; y += bs)
                b.AddRect(0, H - y - fb, W, H - y);
        else
            for (int x = 0; x < W; x += bs)
                b.AddRect(W - x - fb, 0, W - x, H);
        break;
    }
    case seChessBoardH:
    case seChessBoardH2:
    case seChessBoardV:
    case seChessBoardV2: {
        // Pictures narrower or lower than 5 pixels would give cells of size 0.
        const int cw = std::max(Round(W / 10.0), 1);
        const int ch = std::max(Round(H / 10.0), 1);
        const int g = MulDiv(cw, P, 50);
        if (style == seChessBoardH || style == seChessBoardH2) {
            for (int y = 0, row = 0; y < H; y += ch, ++row) {
                for (int x = row % 2 ? -(cw / 2) : 0; x < W; x += cw) {
                    if (style == seChessBoardH)
                        b.AddRect(x, y, x + g, y + ch);
                    else
                        b.AddRect(x + cw - g, y, x + cw, y + ch);
                }
            }
        } else {
            for (int x = 0, column = 0; x < W; x += ch, ++column) {
                for (int y = column % 2 ? -(cw / 2) : 0; y < H; y += cw) {
                    if (style == seChessBoardV)
                        b.AddRect(x, y, x + ch, y + g);
                    else
                        b.AddRect(x, y + cw - g, x + ch, y + cw);
                }
            }
        }
        break;
    }
    case seBoxZoomIn:
    case seBoxZoomOut: {
        const int m = std::max(W / 10, 1);
        const int v = style == seBoxZoomIn ? P : 100 - P;
        const int d = 2 * MulDiv(W, v, 2000);
        const int o = (m - d) / 2;
        for (int y = 0; y < H; y += m)
            for (int x = 0; x < W; x += m)
                b.AddRect(x + o, y + o, x + o + d, y + o + d);
        if (style == seBoxZoomIn)
            break;
        // The old picture shrinks into the cell centres.
        f.UseOutside(b.Take());
        return;
    }
    default: return;
    }
    f.UseShapes(b);
}

void LinesStyle(int style, FrameContext& f)
{
    const int W = f.W, H = f.H;
    const int k = LineStyleK(style, W, H);
    const int n = f.P / std::max(f.Step, 1);
    RegionBuilder b(f.Bounds());
    // Line i covers every position congruent to i modulo k; each frame moves it k further.
    for (int i = 1; i <= k; ++i) {
        const int z = i + (n - i) * k;
        switch (style) {
        case seChordLeft: b.AddRect(z, 0, z + 1, H); break;
        case seChordRight: b.AddRect(W - z - 1, 0, W - z, H); break;
        case seChordDown: b.AddRect(0, z, W, z + 1); break;
        default: b.AddRect(0, H - z - 1, W, H - z); break;
        }
    }
    f.UseRegion(b.Take(), true);
}

}  // namespace qel::pictureshow
