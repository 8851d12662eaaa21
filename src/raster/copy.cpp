#include "copy.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace qel::raster {

namespace {

__extension__ typedef __int128 Wide;

// Bytes taken by `pixels` pixels; also the byte offset of column `pixels` in a row.
inline std::size_t PixelBytes(int pixels)
{
    return std::size_t(pixels) * kBytesPerPixel;
}

// Copying a bitmap onto itself reads what it writes; such calls work on a copy of the source.
template <class Fn> void WithDistinctSource(const Bitmap& dst, const Bitmap& src, Fn&& fn)
{
    if (&dst == &src) {
        const Bitmap copy = src;
        fn(copy);
    } else {
        fn(src);
    }
}

// An unscaled copy after clipping: the destination pixels `to` (inside dst, empty when nothing
// lands) take the source pixels from column sx of row sy on.
struct Placement {
    Rect to;
    int sx = 0;
    int sy = 0;

    // Source and destination pixels coincide: copying a bitmap this way onto itself changes nothing.
    [[nodiscard]] bool InPlace() const { return sx == to.left && sy == to.top; }
};

// Where the rectangle s of src lands with its corner (s.left, s.top) at (x, y) on dst, clipped
// to both bitmaps.
Placement Place(const Bitmap& dst, int x, int y, const Bitmap& src, const Rect& s)
{
    Placement p;
    const Rect from = s.Intersect(src.Bounds());
    if (from.IsEmpty()) {
        return p;
    }
    // Source coordinates plus (dx, dy) are destination coordinates.
    const std::int64_t dx = std::int64_t(x) - s.left;
    const std::int64_t dy = std::int64_t(y) - s.top;
    const auto column = [&](int sx) { return int(std::clamp<std::int64_t>(sx + dx, 0, dst.Width())); };
    const auto row = [&](int sy) { return int(std::clamp<std::int64_t>(sy + dy, 0, dst.Height())); };
    const Rect to{column(from.left), row(from.top), column(from.right), row(from.bottom)};
    if (to.IsEmpty()) {
        return p;
    }
    p.to = to;
    p.sx = int(to.left - dx);
    p.sy = int(to.top - dy);
    return p;
}

// Copies the destination pixels `to` from src, starting at column sx of row sy.
void CopyRows(Bitmap& dst, const Rect& to, const Bitmap& src, int sx, int sy)
{
    const std::size_t bytes = PixelBytes(to.Width());
    for (int row = 0; row < to.Height(); ++row) {
        std::memcpy(dst.Scanline(to.top + row) + PixelBytes(to.left), src.Scanline(sy + row) + PixelBytes(sx), bytes);
    }
}

// One sweep down a set of rectangles (inside both bitmaps): at every top or bottom the active
// ones are merged into spans, and the rows up to the next top or bottom are copied span by span
// in memory order.
void SweepCopy(Bitmap& dst, const Bitmap& src, std::vector<Rect>& rects)
{
    if (rects.empty()) {
        return;
    }
    const auto byTop = [](const Rect& a, const Rect& b) { return a.top < b.top; };
    const auto byLeft = [](const Rect& a, const Rect& b) { return a.left < b.left; };
    std::sort(rects.begin(), rects.end(), byTop);
    std::vector<int> ys;
    ys.reserve(rects.size() * 2);
    for (const Rect& r : rects) {
        ys.push_back(r.top);
        ys.push_back(r.bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    std::vector<Rect> active, merged, starting;
    std::vector<std::pair<int, int>> spans;
    std::size_t next = 0;
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
        const int y0 = ys[k];
        const int y1 = ys[k + 1];
        std::erase_if(active, [y0](const Rect& r) { return r.bottom <= y0; });
        starting.clear();
        while (next < rects.size() && rects[next].top == y0) {
            starting.push_back(rects[next++]);
        }
        if (!starting.empty()) {
            std::sort(starting.begin(), starting.end(), byLeft);
            merged.clear();
            std::merge(active.begin(), active.end(), starting.begin(), starting.end(), std::back_inserter(merged),
                       byLeft);
            active.swap(merged);
        }
        if (active.empty()) {
            continue;
        }
        spans.clear();
        int left = active.front().left;
        int right = active.front().right;
        for (const Rect& r : active) {
            if (r.left > right) {
                spans.emplace_back(left, right);
                left = r.left;
            }
            right = std::max(right, r.right);
        }
        spans.emplace_back(left, right);
        for (int row = y0; row < y1; ++row) {
            std::uint8_t* d = dst.Scanline(row);
            const std::uint8_t* s = src.Scanline(row);
            for (auto [l, r] : spans) {
                std::memcpy(d + PixelBytes(l), s + PixelBytes(l), PixelBytes(r - l));
            }
        }
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

// The destination pixels of a stretch copy with resolved axes, clipped to dst.
Rect StretchTarget(const Bitmap& dst, const Axis& x, const Axis& y)
{
    if (x.IsEmpty() || y.IsEmpty()) {
        return {};
    }
    const Rect target{int(std::clamp<std::int64_t>(x.dstFirst, 0, dst.Width())),
                      int(std::clamp<std::int64_t>(y.dstFirst, 0, dst.Height())),
                      int(std::clamp<std::int64_t>(x.dstFirst + x.dstCount, 0, dst.Width())),
                      int(std::clamp<std::int64_t>(y.dstFirst + y.dstCount, 0, dst.Height()))};
    return target.Intersect(dst.Bounds());
}

// The stretch copy itself: both axes resolved once, then the visible area copied whole or box by box.
class Stretcher {
public:
    Stretcher(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s)
        : dst_(dst), src_(src), x_(ResolveAxis(d.left, d.right, s.left, s.right, src.Width())),
          y_(ResolveAxis(d.top, d.bottom, s.top, s.bottom, src.Height()))
    {
        area_ = StretchTarget(dst, x_, y_);
        if (area_.IsEmpty()) {
            return;
        }
        straight_ = !x_.flip && x_.srcCount == x_.dstCount;
        if (!straight_) {
            // One source byte offset per visible destination column, computed once per copy.
            columns_.resize(std::size_t(area_.Width()));
            for (int c = area_.left; c < area_.right; ++c) {
                columns_[std::size_t(c - area_.left)] =
                    kBytesPerPixel * (x_.srcFirst + x_.SourceIndex(c - x_.dstFirst));
            }
            FindRuns();
        }
    }

    [[nodiscard]] const Rect& Area() const { return area_; }

    // Copies the destination pixels of r, which must lie inside Area().
    void CopyBox(const Rect& r)
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
                std::memcpy(dst_.Scanline(y) + PixelBytes(area_.left), dst_.Scanline(y - 1) + PixelBytes(area_.left),
                            PixelBytes(area_.Width()));
            } else {
                CopyRow(y, sy, area_.left, area_.right);
            }
            lastSource = sy;
        }
    }

private:
    // A copy between nearly equal widths (a slide's halves one pixel apart) takes long runs of
    // neighbouring source columns: those go by plain row copies. Runs start where a destination
    // column does not take the source column after its left neighbour's.
    void FindRuns()
    {
        constexpr std::size_t kShortestWorthwhile = 8;
        if (x_.flip) {
            return;
        }
        std::vector<int> starts{0};
        for (std::size_t i = 1; i < columns_.size(); ++i) {
            if (columns_[i] != columns_[i - 1] + kBytesPerPixel) {
                starts.push_back(int(i));
                if (starts.size() * kShortestWorthwhile > columns_.size()) {
                    return;
                }
            }
        }
        runStarts_ = std::move(starts);
    }

    void CopyRow(int y, int sy, int left, int right)
    {
        if (straight_) {
            const int sx = int(x_.srcFirst + (left - x_.dstFirst));
            std::memcpy(dst_.Scanline(y) + PixelBytes(left), src_.Scanline(sy) + PixelBytes(sx),
                        PixelBytes(right - left));
            return;
        }
        if (!runStarts_.empty()) {
            const std::uint8_t* s = src_.Scanline(sy);
            std::uint8_t* d = dst_.Scanline(y);
            const int from = left - area_.left, to = right - area_.left;
            auto run = std::upper_bound(runStarts_.begin(), runStarts_.end(), from) - 1;
            for (int i = from; i < to; ++run) {
                const int end = std::min(to, run + 1 != runStarts_.end() ? *(run + 1) : int(columns_.size()));
                std::memcpy(d + PixelBytes(area_.left + i), s + columns_[std::size_t(i)], PixelBytes(end - i));
                i = end;
            }
            return;
        }
        const std::uint8_t* s = src_.Scanline(sy);
        std::uint8_t* d = dst_.Scanline(y) + PixelBytes(left);
        const int* map = columns_.data() + (left - area_.left);
        int n = right - left;
        // Pixels move as 4-byte words: the fourth byte written is overwritten by the next pixel,
        // so every pixel but the span's last can go this way. The fourth byte read lies inside
        // the buffer unless this is the last source row and it has no padding.
        if (sy < src_.Height() - 1 || src_.Stride() > src_.Width() * kBytesPerPixel) {
            for (; n > 1; --n, d += kBytesPerPixel) {
                std::uint32_t v;
                std::memcpy(&v, s + *map++, sizeof v);
                std::memcpy(d, &v, sizeof v);
            }
        }
        for (; n > 0; --n, d += kBytesPerPixel) {
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
    std::vector<int> runStarts_;  // empty: the runs are too short to be worth it
};

// Calls fn(box) for every box of clip intersected with `area`, in band order.
template <class Fn> void ForEachClippedBox(const Region& clip, const Rect& area, Fn&& fn)
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

void Copy(Bitmap& dst, int x, int y, const Bitmap& src)
{
    Copy(dst, x, y, src, src.Bounds());
}

void Copy(Bitmap& dst, int x, int y, const Bitmap& src, const Rect& s)
{
    const Placement p = Place(dst, x, y, src, s);
    if (p.to.IsEmpty() || (&dst == &src && p.InPlace())) {
        return;
    }
    WithDistinctSource(dst, src, [&](const Bitmap& from) { CopyRows(dst, p.to, from, p.sx, p.sy); });
}

void CopyClipped(Bitmap& dst, int x, int y, const Bitmap& src, const Rect& clip)
{
    const Placement p = Place(dst, x, y, src, src.Bounds());
    const Rect to = p.to.Intersect(clip);
    if (to.IsEmpty() || (&dst == &src && p.InPlace())) {
        return;
    }
    WithDistinctSource(dst, src, [&](const Bitmap& from) {
        CopyRows(dst, to, from, p.sx + (to.left - p.to.left), p.sy + (to.top - p.to.top));
    });
}

void CopyClipped(Bitmap& dst, int x, int y, const Bitmap& src, const Region& clip)
{
    const Placement p = Place(dst, x, y, src, src.Bounds());
    const Rect& area = p.to;
    if (area.IsEmpty() || clip.IsEmpty() || (&dst == &src && p.InPlace())) {
        return;
    }
    // Destination column c and row r take source column c - dx and row r - dy.
    const int dx = area.left - p.sx;
    const int dy = area.top - p.sy;
    WithDistinctSource(dst, src, [&](const Bitmap& from) {
        const std::vector<Rect>& boxes = clip.Rects();
        auto band =
            std::partition_point(boxes.begin(), boxes.end(), [&](const Rect& b) { return b.bottom <= area.top; });
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
                const std::uint8_t* fromRow = from.Scanline(row - dy);
                for (auto b = first; b != bandEnd && b->left < area.right; ++b) {
                    const int left = std::max(b->left, area.left);
                    const int right = std::min(b->right, area.right);
                    std::memcpy(to + PixelBytes(left), fromRow + PixelBytes(left - dx), PixelBytes(right - left));
                }
            }
            band = bandEnd;
        }
    });
}

void CopyClippedToRects(Bitmap& dst, const Bitmap& src, std::vector<Rect>& rects)
{
    if (&dst == &src) {
        return;
    }
    // Tall rectangles and wide ones are swept apart: mixed together (a frame closing from all
    // sides) every jagged end of a column would split the rows too.
    const Rect bounds = dst.Bounds().Intersect(src.Bounds());
    std::vector<Rect> tall;
    std::size_t keep = 0;
    for (const Rect& box : rects) {
        const Rect r = box.Intersect(bounds);
        if (r.IsEmpty()) {
            continue;
        }
        if (r.Height() > r.Width()) {
            tall.push_back(r);
        } else {
            rects[keep++] = r;
        }
    }
    rects.resize(keep);
    SweepCopy(dst, src, rects);
    SweepCopy(dst, src, tall);
}

void CopyBatch(Bitmap& dst, const Bitmap& src, const std::vector<std::pair<Rect, Rect>>& copies)
{
    std::vector<Placement> jobs;
    int top = dst.Height();
    int bottom = 0;
    for (const auto& [d, s] : copies) {
        const Placement p = Place(dst, d.left, d.top, src, s);
        if (p.to.IsEmpty()) {
            continue;
        }
        jobs.push_back(p);
        top = std::min(top, p.to.top);
        bottom = std::max(bottom, p.to.bottom);
    }
    if (jobs.empty()) {
        return;
    }
    WithDistinctSource(dst, src, [&](const Bitmap& from) {
        for (int y = top; y < bottom; ++y) {
            std::uint8_t* row = dst.Scanline(y);
            for (const Placement& j : jobs) {
                if (y < j.to.top || y >= j.to.bottom) {
                    continue;
                }
                std::memcpy(row + PixelBytes(j.to.left), from.Scanline(j.sy + (y - j.to.top)) + PixelBytes(j.sx),
                            PixelBytes(j.to.Width()));
            }
        }
    });
}

void StretchCopy(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s)
{
    if (dst.IsEmpty() || src.IsEmpty()) {
        return;
    }
    // Equal sizes the same way round sample every pixel onto itself: a plain copy.
    const std::int64_t width = std::int64_t(d.right) - d.left;
    const std::int64_t height = std::int64_t(d.bottom) - d.top;
    if (width > 0 && height > 0 && width == std::int64_t(s.right) - s.left &&
        height == std::int64_t(s.bottom) - s.top) {
        Copy(dst, d.left, d.top, src, s);
        return;
    }
    WithDistinctSource(dst, src, [&](const Bitmap& from) {
        Stretcher st(dst, d, from, s);
        if (!st.Area().IsEmpty()) {
            st.CopyAll();
        }
    });
}

Rect CopyArea(const Bitmap& dst, int x, int y, const Bitmap& src, const Rect& s)
{
    return Place(dst, x, y, src, s).to;
}

Rect StretchCopyArea(const Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s)
{
    if (dst.IsEmpty() || src.IsEmpty()) {
        return {};
    }
    // The same two paths as StretchCopy.
    const std::int64_t width = std::int64_t(d.right) - d.left;
    const std::int64_t height = std::int64_t(d.bottom) - d.top;
    if (width > 0 && height > 0 && width == std::int64_t(s.right) - s.left &&
        height == std::int64_t(s.bottom) - s.top) {
        return CopyArea(dst, d.left, d.top, src, s);
    }
    return StretchTarget(dst, ResolveAxis(d.left, d.right, s.left, s.right, src.Width()),
                         ResolveAxis(d.top, d.bottom, s.top, s.bottom, src.Height()));
}

void StretchCopyClipped(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s, const Region& clip)
{
    if (dst.IsEmpty() || src.IsEmpty() || clip.IsEmpty()) {
        return;
    }
    WithDistinctSource(dst, src, [&](const Bitmap& from) {
        Stretcher st(dst, d, from, s);
        if (!st.Area().IsEmpty()) {
            ForEachClippedBox(clip, st.Area(), [&](const Rect& r) { st.CopyBox(r); });
        }
    });
}

}  // namespace qel::raster
