#include "compose.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bandwriter.h"

namespace qel::raster {

namespace {

inline std::size_t Bytes(int pixels)
{
    return std::size_t(pixels) * kBytesPerPixel;
}

struct ChangeSpan {
    int left, right;
    const Bitmap* from;
};

// One stretch of rows of ComposeChange: the spans of `was` [a, aEnd) and of `now` [b, bEnd) over
// rows top ... bottom - 1 (either list may be empty). Pixels only in `was` go back to the older
// picture, those only in `now` take the newer one; their union is the band written to `out`.
void ChangeRows(Bitmap& dst, const Bitmap& older, const Bitmap& newer, int top, int bottom, const Rect* a,
                const Rect* aEnd, const Rect* b, const Rect* bEnd, std::vector<ChangeSpan>& spans,
                detail::BandWriter& out)
{
    top = std::max(top, 0);
    bottom = std::min(bottom, dst.Height());
    if (bottom <= top) {
        return;
    }
    spans.clear();
    bool inA = false, inB = false;
    int start = 0;
    while (a != aEnd || b != bEnd) {
        const int xa = a != aEnd ? (inA ? a->right : a->left) : INT_MAX;
        const int xb = b != bEnd ? (inB ? b->right : b->left) : INT_MAX;
        const int x = std::min(xa, xb);
        if (inA != inB && x > start) {
            spans.push_back({start, x, inA ? &older : &newer});
        }
        if (xa == x) {
            if (inA) {
                ++a;
            }
            inA = !inA;
        }
        if (xb == x) {
            if (inB) {
                ++b;
            }
            inB = !inB;
        }
        start = x;
    }
    const int width = dst.Width();
    out.Begin(top, bottom);
    for (ChangeSpan& s : spans) {
        s.left = std::clamp(s.left, 0, width);
        s.right = std::clamp(s.right, 0, width);
        out.Add(s.left, s.right);
    }
    out.End();
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* row = dst.Scanline(y);
        for (const ChangeSpan& s : spans) {
            if (s.right > s.left) {
                std::memcpy(row + Bytes(s.left), s.from->Scanline(y) + Bytes(s.left), Bytes(s.right - s.left));
            }
        }
    }
}

}  // namespace

Region ComposeChange(Bitmap& dst, const Bitmap& older, const Bitmap& newer, const Region& was, const Region& now)
{
    // The band sweep of the region operations, copying as it goes: rows where only one region has a
    // band take all of that band's spans, rows where both have one take their difference.
    Region changed;
    detail::BandWriter out(changed.boxes_);
    std::vector<ChangeSpan> spans;
    const Rect* a = was.boxes_.data();
    const Rect* aEnd = a + was.boxes_.size();
    const Rect* b = now.boxes_.data();
    const Rect* bEnd = b + now.boxes_.size();
    const auto bandEnd = [](const Rect* p, const Rect* end) {
        const Rect* q = p;
        while (q != end && q->top == p->top) {
            ++q;
        }
        return q;
    };
    const int h = dst.Height();
    int y = INT_MIN;
    while ((a != aEnd || b != bEnd) && y < h) {
        const Rect* ea = bandEnd(a, aEnd);
        const Rect* eb = bandEnd(b, bEnd);
        const int aTop = a != aEnd ? std::max(a->top, y) : INT_MAX;
        const int bTop = b != bEnd ? std::max(b->top, y) : INT_MAX;
        int top, bottom;
        if (aTop < bTop) {
            top = aTop;
            bottom = std::min(a->bottom, bTop);
            ChangeRows(dst, older, newer, top, bottom, a, ea, nullptr, nullptr, spans, out);
        } else if (bTop < aTop) {
            top = bTop;
            bottom = std::min(b->bottom, aTop);
            ChangeRows(dst, older, newer, top, bottom, nullptr, nullptr, b, eb, spans, out);
        } else {
            top = aTop;
            bottom = std::min(a->bottom, b->bottom);
            ChangeRows(dst, older, newer, top, bottom, a, ea, b, eb, spans, out);
        }
        y = bottom;
        if (a != aEnd && a->bottom <= y) {
            a = ea;
        }
        if (b != bEnd && b->bottom <= y) {
            b = eb;
        }
    }
    return changed;
}

}  // namespace qel::raster
