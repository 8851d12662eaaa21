#include "blit.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qel::raster {

namespace {

__extension__ typedef __int128 Wide;

// Copies `count` pixels starting at column sx of row y of src to column dx of row dy of dst.
inline void CopySpan(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int count)
{
    std::memcpy(dst.Scanline(dy) + std::size_t(dx) * 3, src.Scanline(sy) + std::size_t(sx) * 3,
                std::size_t(count) * 3);
}

// Where src, placed at (x, y) on dst, lands, clipped to dst (empty when nothing lands).
Rect PlacedArea(const Bitmap& dst, int x, int y, const Bitmap& src)
{
    const Rect placed{x, y, int(std::min<std::int64_t>(std::int64_t(x) + src.Width(), dst.Width())),
                      int(std::min<std::int64_t>(std::int64_t(y) + src.Height(), dst.Height()))};
    return placed.Intersect(dst.Bounds());
}

// Drawing a bitmap onto itself reads what it writes; such calls work on a copy of the source.
template <class Fn>
void WithDistinctSource(const Bitmap& dst, const Bitmap& src, Fn&& fn)
{
    if (&dst == &src) {
        const Bitmap copy = src;
        fn(copy);
    } else {
        fn(src);
    }
}

// One axis of a stretch copy, after clipping the source to the source bitmap.
// Destination pixels dstFirst ... dstFirst + dstCount - 1 (ascending) take source pixels
// srcFirst ... srcFirst + srcCount - 1; with `flip` the order of one of them is reversed.
struct Axis {
    std::int64_t dstFirst = 0;
    std::int64_t dstCount = 0;
    int srcFirst = 0;
    int srcCount = 0;
    bool flip = false;

    [[nodiscard]] bool IsEmpty() const { return dstCount <= 0 || srcCount <= 0; }

    // Source index (0 = srcFirst) for the destination pixel at ascending index i: the source pixel
    // under the destination pixel's centre, measured in the unflipped order. A mirrored copy is
    // therefore exactly the unmirrored copy turned round.
    [[nodiscard]] int SourceIndex(std::int64_t i) const
    {
        const std::int64_t k = flip ? dstCount - 1 - i : i;
        if (dstCount < (std::int64_t{1} << 31)) {
            return int((2 * k + 1) * std::int64_t(srcCount) / (2 * dstCount));
        }
        return int(Wide(2 * k + 1) * srcCount / (Wide(2) * dstCount));
    }
};

// Rounded a * b / c for the clipping arithmetic (c > 0, results small enough for 64 bits).
std::int64_t ScaleRounded(std::int64_t a, std::int64_t b, std::int64_t c)
{
    const Wide p = Wide(a) * b;
    return std::int64_t((2 * p + c) / (Wide(2) * c));
}

// Resolves one axis: the destination edges d0, d1 (mirrored when d1 < d0: then it covers
// d1 + 1 ... d0), the source edges s0, s1 (likewise), the source extent 0 ... srcSize.
Axis ResolveAxis(int d0, int d1, int s0, int s1, int srcSize)
{
    Axis a;
    const bool dstMirror = d1 < d0;
    const bool srcMirror = s1 < s0;
    const std::int64_t dFirst = dstMirror ? std::int64_t(d1) + 1 : d0;
    const std::int64_t dCount = dstMirror ? std::int64_t(d0) - d1 : std::int64_t(d1) - d0;
    const std::int64_t sFirst = srcMirror ? std::int64_t(s1) + 1 : s0;
    const std::int64_t sCount = srcMirror ? std::int64_t(s0) - s1 : std::int64_t(s1) - s0;
    if (dCount <= 0 || sCount <= 0) {
        return a;
    }
    a.flip = dstMirror != srcMirror;
    // Clip the source to the bitmap; the destination loses the same proportion at the same end.
    const std::int64_t lo = std::max<std::int64_t>(0, -sFirst);
    const std::int64_t hi = std::min<std::int64_t>(sCount, srcSize - sFirst);
    if (hi <= lo) {
        return a;
    }
    const std::int64_t kLo = ScaleRounded(lo, dCount, sCount);
    const std::int64_t kHi = ScaleRounded(hi, dCount, sCount);
    if (kHi <= kLo) {
        return a;
    }
    a.dstFirst = dFirst + (a.flip ? dCount - kHi : kLo);
    a.dstCount = kHi - kLo;
    a.srcFirst = int(sFirst + lo);
    a.srcCount = int(hi - lo);
    return a;
}

// The stretch copy itself, limited to the destination pixels inside `clip` (dst coordinates).
class Stretcher {
public:
    Stretcher(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s)
        : dst_(dst), src_(src),
          x_(ResolveAxis(d.left, d.right, s.left, s.right, src.Width())),
          y_(ResolveAxis(d.top, d.bottom, s.top, s.bottom, src.Height()))
    {
        if (x_.IsEmpty() || y_.IsEmpty()) {
            return;
        }
        const Rect target{int(std::clamp<std::int64_t>(x_.dstFirst, 0, dst.Width())),
                          int(std::clamp<std::int64_t>(y_.dstFirst, 0, dst.Height())),
                          int(std::clamp<std::int64_t>(x_.dstFirst + x_.dstCount, 0, dst.Width())),
                          int(std::clamp<std::int64_t>(y_.dstFirst + y_.dstCount, 0, dst.Height()))};
        area_ = target.Intersect(dst.Bounds());
        if (area_.IsEmpty()) {
            return;
        }
        straight_ = !x_.flip && x_.srcCount == x_.dstCount;
        if (!straight_) {
            // One source byte offset per visible destination column, computed once per copy.
            columns_.resize(std::size_t(area_.Width()));
            for (int c = area_.left; c < area_.right; ++c) {
                columns_[std::size_t(c - area_.left)] = 3 * (x_.srcFirst + x_.SourceIndex(c - x_.dstFirst));
            }
        }
    }

    [[nodiscard]] const Rect& Area() const { return area_; }

    // Copies the destination pixels of r, which must lie inside Area().
    void CopyRect(const Rect& r)
    {
        for (int y = r.top; y < r.bottom; ++y) {
            const int sy = y_.srcFirst + y_.SourceIndex(y - y_.dstFirst);
            CopyRow(y, sy, r.left, r.right);
        }
    }

    // Copies the whole visible area; neighbouring rows that sample the same source row are
    // copied from the row already done.
    void CopyAll()
    {
        int lastSource = -1;
        for (int y = area_.top; y < area_.bottom; ++y) {
            const int sy = y_.srcFirst + y_.SourceIndex(y - y_.dstFirst);
            if (sy == lastSource) {
                std::memcpy(dst_.Scanline(y) + std::size_t(area_.left) * 3,
                            dst_.Scanline(y - 1) + std::size_t(area_.left) * 3, std::size_t(area_.Width()) * 3);
            } else {
                CopyRow(y, sy, area_.left, area_.right);
            }
            lastSource = sy;
        }
    }

private:
    void CopyRow(int y, int sy, int left, int right)
    {
        if (straight_) {
            const int sx = int(x_.srcFirst + (left - x_.dstFirst));
            CopySpan(dst_, left, y, src_, sx, sy, right - left);
            return;
        }
        const std::uint8_t* s = src_.Scanline(sy);
        std::uint8_t* d = dst_.Scanline(y) + std::size_t(left) * 3;
        const int* map = columns_.data() + (left - area_.left);
        int n = right - left;
        // Pixels move as 4-byte words: the fourth byte written is overwritten by the next pixel,
        // so every pixel but the span's last can go this way. The fourth byte read lies inside
        // the buffer unless this is the last source row and it has no padding.
        if (sy < src_.Height() - 1 || src_.Stride() > src_.Width() * 3) {
            for (; n > 1; --n, d += 3) {
                std::uint32_t v;
                std::memcpy(&v, s + *map++, 4);
                std::memcpy(d, &v, 4);
            }
        }
        for (; n > 0; --n, d += 3) {
            const std::uint8_t* p = s + *map++;
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
        }
    }

    Bitmap& dst_;
    const Bitmap& src_;
    Axis x_;
    Axis y_;
    Rect area_;
    bool straight_ = false;
    std::vector<int> columns_;
};

// Calls fn(box) for every box of clip intersected with `area`, in band order.
template <class Fn>
void ForEachClippedBox(const Region& clip, const Rect& area, Fn&& fn)
{
    const std::vector<Rect>& boxes = clip.Rects();
    // Bands above the area are skipped with a binary search on the band bottoms.
    auto it = std::partition_point(boxes.begin(), boxes.end(), [&](const Rect& b) { return b.bottom <= area.top; });
    for (; it != boxes.end() && it->top < area.bottom; ++it) {
        const Rect r = it->Intersect(area);
        if (!r.IsEmpty()) {
            fn(r);
        }
    }
}

}  // namespace

void Draw(Bitmap& dst, int x, int y, const Bitmap& src)
{
    const Rect area = PlacedArea(dst, x, y, src);
    if (area.IsEmpty() || (&dst == &src && x == 0 && y == 0)) {
        return;
    }
    WithDistinctSource(dst, src, [&](const Bitmap& from) {
        for (int row = area.top; row < area.bottom; ++row) {
            CopySpan(dst, area.left, row, from, area.left - x, row - y, area.Width());
        }
    });
}

void DrawClipped(Bitmap& dst, int x, int y, const Bitmap& src, const Region& clip)
{
    const Rect area = PlacedArea(dst, x, y, src);
    if (area.IsEmpty() || clip.IsEmpty() || (&dst == &src && x == 0 && y == 0)) {
        return;
    }
    WithDistinctSource(dst, src, [&](const Bitmap& from) {
        const std::vector<Rect>& boxes = clip.Rects();
        auto band = std::partition_point(boxes.begin(), boxes.end(), [&](const Rect& b) { return b.bottom <= area.top; });
        // Band by band, row by row, so that every row of both bitmaps is walked once in order.
        while (band != boxes.end() && band->top < area.bottom) {
            auto bandEnd = band;
            while (bandEnd != boxes.end() && bandEnd->top == band->top) {
                ++bandEnd;
            }
            const int top = std::max(band->top, area.top);
            const int bottom = std::min(band->bottom, area.bottom);
            // Only the boxes that overlap the area horizontally matter.
            auto first = band;
            while (first != bandEnd && first->right <= area.left) {
                ++first;
            }
            for (int row = top; row < bottom; ++row) {
                std::uint8_t* to = dst.Scanline(row);
                const std::uint8_t* fromRow = from.Scanline(row - y);
                for (auto b = first; b != bandEnd && b->left < area.right; ++b) {
                    const int left = std::max(b->left, area.left);
                    const int right = std::min(b->right, area.right);
                    std::memcpy(to + std::size_t(left) * 3, fromRow + std::size_t(left - x) * 3,
                                std::size_t(right - left) * 3);
                }
            }
            band = bandEnd;
        }
    });
}

void StretchCopy(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s)
{
    if (dst.IsEmpty() || src.IsEmpty()) {
        return;
    }
    WithDistinctSource(dst, src, [&](const Bitmap& from) {
        Stretcher st(dst, d, from, s);
        if (!st.Area().IsEmpty()) {
            st.CopyAll();
        }
    });
}

void StretchCopyClipped(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s, const Region& clip)
{
    if (dst.IsEmpty() || src.IsEmpty() || clip.IsEmpty()) {
        return;
    }
    WithDistinctSource(dst, src, [&](const Bitmap& from) {
        Stretcher st(dst, d, from, s);
        if (!st.Area().IsEmpty()) {
            ForEachClippedBox(clip, st.Area(), [&](const Rect& r) { st.CopyRect(r); });
        }
    });
}

}  // namespace qel::raster
