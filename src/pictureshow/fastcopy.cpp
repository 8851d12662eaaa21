#include "pictureshow/fastcopy.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "raster/blit.h"

namespace qel::pictureshow {

using raster::Rect;

void CopyRect(raster::Bitmap& dst, int x, int y, const raster::Bitmap& src, Rect s)
{
    s = s.Intersect(src.Bounds());
    if (s.IsEmpty())
        return;
    // Move the destination into dst, shifting the source with it.
    Rect d = Rect{x, y, x + s.Width(), y + s.Height()}.Intersect(dst.Bounds());
    if (d.IsEmpty())
        return;
    const int sx = s.left + (d.left - x), sy = s.top + (d.top - y);
    const size_t bytes = static_cast<size_t>(d.Width()) * 3;
    for (int row = 0; row < d.Height(); ++row)
        std::memcpy(dst.Scanline(d.top + row) + d.left * 3, src.Scanline(sy + row) + sx * 3, bytes);
}

void CopyRectWithin(raster::Bitmap& dst, int x, int y, const raster::Bitmap& src, const Rect& within)
{
    Rect d = Rect{x, y, x + src.Width(), y + src.Height()}.Intersect(within);
    if (d.IsEmpty())
        return;
    CopyRect(dst, d.left, d.top, src, d.Offset(-x, -y));
}

void CopyThrough(raster::Bitmap& dst, const raster::Bitmap& src, const raster::Region& clip)
{
    raster::DrawClipped(dst, 0, 0, src, clip);
}

namespace {

// One sweep down a set of rectangles: at every top or bottom the active ones are merged into
// spans, and the rows up to the next top or bottom are copied span by span in memory order.
void SweepCopy(raster::Bitmap& dst, const raster::Bitmap& src, std::vector<Rect>& rects)
{
    if (rects.empty())
        return;
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
    size_t next = 0;
    for (size_t k = 0; k + 1 < ys.size(); ++k) {
        const int y0 = ys[k], y1 = ys[k + 1];
        std::erase_if(active, [y0](const Rect& r) { return r.bottom <= y0; });
        starting.clear();
        while (next < rects.size() && rects[next].top == y0)
            starting.push_back(rects[next++]);
        if (!starting.empty()) {
            std::sort(starting.begin(), starting.end(), byLeft);
            merged.clear();
            std::merge(active.begin(), active.end(), starting.begin(), starting.end(), std::back_inserter(merged),
                       byLeft);
            active.swap(merged);
        }
        if (active.empty())
            continue;
        spans.clear();
        int left = active.front().left, right = active.front().right;
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
            for (auto [l, r] : spans)
                std::memcpy(d + l * 3, s + l * 3, static_cast<size_t>(r - l) * 3);
        }
    }
}

}  // namespace

void CopyThroughRects(raster::Bitmap& dst, const raster::Bitmap& src, std::vector<Rect>& rects)
{
    // Tall rectangles and wide ones are swept apart: mixed together (a frame closing from all
    // sides) every jagged end of a column would split the rows too.
    const Rect bounds = dst.Bounds().Intersect(src.Bounds());
    std::vector<Rect> tall;
    size_t keep = 0;
    for (const Rect& box : rects) {
        const Rect r = box.Intersect(bounds);
        if (r.IsEmpty())
            continue;
        if (r.Height() > r.Width())
            tall.push_back(r);
        else
            rects[keep++] = r;
    }
    rects.resize(keep);
    SweepCopy(dst, src, rects);
    SweepCopy(dst, src, tall);
}

void ComposeThrough(raster::Bitmap& dst, const raster::Bitmap& older, const raster::Bitmap& newer,
                    const raster::Region& clip)
{
    const int w = dst.Width(), h = dst.Height();
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    const std::vector<Rect>& boxes = clip.Rects();
    int y = 0;
    size_t first = 0;
    auto oldRows = [&](int until) {
        for (; y < until; ++y)
            std::memcpy(dst.Scanline(y), older.Scanline(y), rowBytes);
    };
    while (first < boxes.size() && y < h) {
        size_t last = first + 1;
        while (last < boxes.size() && boxes[last].top == boxes[first].top)
            ++last;
        oldRows(std::clamp(boxes[first].top, 0, h));
        const int bottom = std::clamp(boxes[first].bottom, 0, h);
        for (; y < bottom; ++y) {
            std::uint8_t* d = dst.Scanline(y);
            const std::uint8_t* o = older.Scanline(y);
            const std::uint8_t* n = newer.Scanline(y);
            int x = 0;
            for (size_t i = first; i < last; ++i) {
                const int left = std::clamp(boxes[i].left, 0, w), right = std::clamp(boxes[i].right, 0, w);
                if (left > x)
                    std::memcpy(d + x * 3, o + x * 3, static_cast<size_t>(left - x) * 3);
                if (right > left)
                    std::memcpy(d + left * 3, n + left * 3, static_cast<size_t>(right - left) * 3);
                x = std::max(x, right);
            }
            if (x < w)
                std::memcpy(d + x * 3, o + x * 3, static_cast<size_t>(w - x) * 3);
        }
        first = last;
    }
    oldRows(h);
}

void ComposeRect(raster::Bitmap& dst, const raster::Bitmap& older, const raster::Bitmap& newer, Rect r)
{
    const int w = dst.Width(), h = dst.Height();
    r = r.Intersect(dst.Bounds());
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* d = dst.Scanline(y);
        const std::uint8_t* o = older.Scanline(y);
        if (y < r.top || y >= r.bottom || r.IsEmpty()) {
            std::memcpy(d, o, rowBytes);
            continue;
        }
        const std::uint8_t* n = newer.Scanline(y);
        std::memcpy(d, o, static_cast<size_t>(r.left) * 3);
        std::memcpy(d + r.left * 3, n + r.left * 3, static_cast<size_t>(r.Width()) * 3);
        std::memcpy(d + r.right * 3, o + r.right * 3, static_cast<size_t>(w - r.right) * 3);
    }
}

void CopyPairs(raster::Bitmap& dst, const raster::Bitmap& src, const std::vector<std::pair<Rect, Rect>>& pairs)
{
    struct Job {
        Rect d;
        int sx, sy;
    };
    std::vector<Job> jobs;
    int top = dst.Height(), bottom = 0;
    for (const auto& [d0, s0] : pairs) {
        // Clip the source, move the destination with it, then clip the destination.
        const Rect s = s0.Intersect(src.Bounds());
        if (s.IsEmpty())
            continue;
        const Rect moved = Rect{s.left - s0.left + d0.left, s.top - s0.top + d0.top, 0, 0};
        const Rect full{moved.left, moved.top, moved.left + s.Width(), moved.top + s.Height()};
        const Rect d = full.Intersect(dst.Bounds());
        if (d.IsEmpty())
            continue;
        jobs.push_back({d, s.left + (d.left - full.left), s.top + (d.top - full.top)});
        top = std::min(top, d.top);
        bottom = std::max(bottom, d.bottom);
    }
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* row = dst.Scanline(y);
        for (const Job& j : jobs) {
            if (y < j.d.top || y >= j.d.bottom)
                continue;
            std::memcpy(row + j.d.left * 3, src.Scanline(j.sy + (y - j.d.top)) + j.sx * 3,
                        static_cast<size_t>(j.d.Width()) * 3);
        }
    }
}

}  // namespace qel::pictureshow
