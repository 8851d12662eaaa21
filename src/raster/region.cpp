#include "region.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>

#include "bandwriter.h"

namespace qel::raster {

namespace {

using detail::BandWriter;

// One past the last box of the band that starts at p.
const Rect* BandEnd(const Rect* p, const Rect* end)
{
    const Rect* q = p;
    while (q != end && q->top == p->top) {
        ++q;
    }
    return q;
}

// Whether a pixel belongs to the result, given whether it belongs to either operand.
template <CombineMode M> constexpr bool Inside(bool a, bool b)
{
    if constexpr (M == CombineMode::Or) {
        return a || b;
    } else if constexpr (M == CombineMode::And) {
        return a && b;
    } else if constexpr (M == CombineMode::Xor) {
        return a != b;
    } else {
        return a && !b;
    }
}

// The per-band operation: combines the spans of one band of each operand over the same rows.
// Union and intersection have short merges of their own; xor and difference sweep over the span
// edges in x, switching the result on and off as the mode says.
template <CombineMode M>
void CombineSpans(const Rect* a, const Rect* aEnd, const Rect* b, const Rect* bEnd, BandWriter& out)
{
    if constexpr (M == CombineMode::Or) {
        // Union, the common case, as a plain merge by left edge: the writer joins what overlaps.
        while (a != aEnd && b != bEnd) {
            const Rect* next = a->left <= b->left ? a++ : b++;
            out.Add(next->left, next->right);
        }
        for (; a != aEnd; ++a) {
            out.Add(a->left, a->right);
        }
        for (; b != bEnd; ++b) {
            out.Add(b->left, b->right);
        }
        return;
    }
    if constexpr (M == CombineMode::And) {
        while (a != aEnd && b != bEnd) {
            out.Add(std::max(a->left, b->left), std::min(a->right, b->right));
            // Drop whichever span ends first; the other may still meet the next one.
            if (a->right < b->right) {
                ++a;
            } else {
                ++b;
            }
        }
        return;
    }
    bool inA = false;
    bool inB = false;
    bool in = false;
    int start = 0;
    while (a != aEnd || b != bEnd) {
        const bool hasA = a != aEnd;
        const bool hasB = b != bEnd;
        const int xa = hasA ? (inA ? a->right : a->left) : 0;
        const int xb = hasB ? (inB ? b->right : b->left) : 0;
        const int x = !hasA ? xb : !hasB ? xa : std::min(xa, xb);
        if (hasA && xa == x) {
            if (inA) {
                ++a;
            }
            inA = !inA;
        }
        if (hasB && xb == x) {
            if (inB) {
                ++b;
            }
            inB = !inB;
        }
        const bool now = Inside<M>(inA, inB);
        if (now != in) {
            if (now) {
                start = x;
            } else {
                out.Add(start, x);
            }
            in = now;
        }
    }
}

void CopySpans(const Rect* p, const Rect* end, BandWriter& out)
{
    for (; p != end; ++p) {
        out.Add(p->left, p->right);
    }
}

// The one band sweep behind every set operation. Walks the bands of both operands from top to
// bottom, cutting them where either starts or ends, and writes each stretch of rows once: rows
// covered by one operand only are kept or dropped as the mode says, rows covered by both go
// through CombineSpans.
template <CombineMode M> void Sweep(const Rect* a, const Rect* aEnd, const Rect* b, const Rect* bEnd, BandWriter& out)
{
    constexpr bool keepA = Inside<M>(true, false);
    constexpr bool keepB = Inside<M>(false, true);
    const Rect* ea = BandEnd(a, aEnd);
    const Rect* eb = BandEnd(b, bEnd);
    int y = INT_MIN;
    while (a != aEnd && b != bEnd) {
        const int aTop = std::max(a->top, y);
        const int bTop = std::max(b->top, y);
        if (aTop < bTop) {
            y = std::min(a->bottom, bTop);
            if (keepA) {
                out.Begin(aTop, y);
                CopySpans(a, ea, out);
                out.End();
            }
        } else if (bTop < aTop) {
            y = std::min(b->bottom, aTop);
            if (keepB) {
                out.Begin(bTop, y);
                CopySpans(b, eb, out);
                out.End();
            }
        } else {
            y = std::min(a->bottom, b->bottom);
            out.Begin(aTop, y);
            CombineSpans<M>(a, ea, b, eb, out);
            out.End();
        }
        if (a->bottom <= y) {
            a = ea;
            ea = BandEnd(a, aEnd);
        }
        if (b->bottom <= y) {
            b = eb;
            eb = BandEnd(b, bEnd);
        }
    }
    // What is left of one operand lies below the other entirely.
    const bool restIsA = keepA && a != aEnd;
    if (!restIsA && !(keepB && b != bEnd)) {
        return;
    }
    const Rect* rest = restIsA ? a : b;
    const Rect* restEnd = restIsA ? aEnd : bEnd;
    const Rect* restBandEnd = restIsA ? ea : eb;
    if (rest->top < y) {
        // The band the sweep stopped in was partly written already.
        out.Begin(y, rest->bottom);
        CopySpans(rest, restBandEnd, out);
        out.End();
        rest = restBandEnd;
    }
    out.AppendBands(rest, restEnd);
}

void SweepFor(CombineMode mode, const Rect* a, const Rect* aEnd, const Rect* b, const Rect* bEnd, BandWriter& out)
{
    switch (mode) {
    case CombineMode::Or: Sweep<CombineMode::Or>(a, aEnd, b, bEnd, out); break;
    case CombineMode::And: Sweep<CombineMode::And>(a, aEnd, b, bEnd, out); break;
    case CombineMode::Xor: Sweep<CombineMode::Xor>(a, aEnd, b, bEnd, out); break;
    case CombineMode::Diff: Sweep<CombineMode::Diff>(a, aEnd, b, bEnd, out); break;
    }
}

bool ContainsRect(const Rect& outer, const Rect& inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

Region Region::FromRect(const Rect& r)
{
    Region region;
    const Rect n = r.Normalized();
    if (!n.IsEmpty()) {
        region.boxes_.reserve(1);
        region.boxes_.push_back(n);
    }
    return region;
}

namespace {

// Sorts `rects` (non-empty rectangles) by top and returns the rows where one begins or ends,
// ascending, each once. The rectangles of a frame span few rows compared with their number: then
// they are sorted by counting and the edge rows marked in a table.
std::vector<int> SortByTop(std::vector<Rect>& rects)
{
    int first = rects.front().top;
    int last = first;
    for (const Rect& r : rects) {
        first = std::min(first, r.top);
        last = std::max(last, r.bottom);
    }
    std::vector<int> ys;
    const std::int64_t span = std::int64_t(last) - first + 1;
    if (span > std::int64_t(rects.size()) * 8) {
        std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) { return a.top < b.top; });
        ys.reserve(rects.size() * 2);
        for (const Rect& r : rects) {
            ys.push_back(r.top);
            ys.push_back(r.bottom);
        }
        std::sort(ys.begin(), ys.end());
        ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
        return ys;
    }
    const auto row = [first](int y) { return std::size_t(std::int64_t(y) - first); };
    std::vector<std::uint32_t> start(std::size_t(span) + 1, 0);
    std::vector<bool> edge(std::size_t(span), false);
    for (const Rect& r : rects) {
        ++start[row(r.top) + 1];
        edge[row(r.top)] = true;
        edge[row(r.bottom)] = true;
    }
    for (std::size_t i = 1; i < start.size(); ++i) {
        start[i] += start[i - 1];
    }
    std::vector<Rect> sorted(rects.size());
    for (const Rect& r : rects) {
        sorted[start[row(r.top)]++] = r;
    }
    rects.swap(sorted);
    for (std::size_t i = 0; i < edge.size(); ++i) {
        if (edge[i]) {
            ys.push_back(int(first + std::int64_t(i)));
        }
    }
    return ys;
}

}  // namespace

Region Region::FromRects(const std::vector<Rect>& rects)
{
    std::vector<Rect> pending;
    pending.reserve(rects.size());
    for (const Rect& r : rects) {
        const Rect n = r.Normalized();
        if (!n.IsEmpty()) {
            pending.push_back(n);
        }
    }
    if (pending.size() <= 1) {
        return pending.empty() ? Region() : FromRect(pending.front());
    }
    // One sweep from the top: every top or bottom edge starts a band, in which the rectangles that
    // cross it are merged in order of their left edges.
    const std::vector<int> ys = SortByTop(pending);

    const auto byLeft = [](const Rect& a, const Rect& b) { return a.left < b.left; };
    Region result;
    BandWriter out(result.boxes_);
    std::vector<Rect> active, starting, merged;
    std::size_t next = 0;
    // The first bottom edge among the active rectangles: until then none of them ends, and the
    // active list is not searched for ones that do.
    int firstEnd = std::numeric_limits<int>::max();
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
        const int y0 = ys[k];
        const int y1 = ys[k + 1];
        if (y0 >= firstEnd) {
            std::erase_if(active, [y0](const Rect& r) { return r.bottom <= y0; });
            firstEnd = std::numeric_limits<int>::max();
            for (const Rect& r : active) {
                firstEnd = std::min(firstEnd, r.bottom);
            }
        }
        starting.clear();
        while (next < pending.size() && pending[next].top == y0) {
            firstEnd = std::min(firstEnd, pending[next].bottom);
            starting.push_back(pending[next++]);
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
        out.Begin(y0, y1);
        for (const Rect& r : active) {
            out.Add(r.left, r.right);
        }
        out.End();
    }
    return result;
}

Region Region::UnionOf(std::vector<Region> parts)
{
    // Pairwise rounds: every box takes part in about log2(parts) unions instead of one union
    // per part, which would make a long list quadratic.
    while (parts.size() > 1) {
        std::size_t out = 0;
        for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
            parts[i].Combine(parts[i + 1], CombineMode::Or);
            if (out != i) {
                parts[out] = std::move(parts[i]);
            }
            ++out;
        }
        if (parts.size() % 2 == 1) {
            parts[out++] = std::move(parts.back());
        }
        parts.resize(out);
    }
    return parts.empty() ? Region() : std::move(parts.front());
}

void Region::Combine(const Region& other, CombineMode mode)
{
    if (this == &other) {
        // a | a = a & a = a; a ^ a = a - a = nothing.
        if (mode == CombineMode::Xor || mode == CombineMode::Diff) {
            boxes_.clear();
        }
        return;
    }
    if (other.IsEmpty()) {
        if (mode == CombineMode::And) {
            boxes_.clear();
        }
        return;
    }
    if (IsEmpty()) {
        if (mode == CombineMode::Or || mode == CombineMode::Xor) {
            boxes_ = other.boxes_;
        }
        return;
    }
    // Cheap tests first: the rows each region spans are known at once; full bounds cost a pass
    // over the boxes and are only worked out where they can settle the result.
    const int theirTop = other.boxes_.front().top;
    const int theirBottom = other.boxes_.back().bottom;
    const bool rowsApart = theirBottom <= boxes_.front().top || boxes_.back().bottom <= theirTop;
    if (rowsApart && (mode == CombineMode::And || mode == CombineMode::Diff)) {
        if (mode == CombineMode::And) {
            boxes_.clear();
        }
        return;
    }
    if (mode == CombineMode::Or || mode == CombineMode::And) {
        // One plain rectangle holding the other region decides the result at once.
        if (boxes_.size() == 1 && ContainsRect(boxes_.front(), other.Bounds())) {
            if (mode == CombineMode::And) {
                boxes_ = other.boxes_;
            }
            return;
        }
        const Rect& only = other.boxes_.front();
        if (other.boxes_.size() == 1 && only.top <= boxes_.front().top && boxes_.back().bottom <= only.bottom &&
            ContainsRect(only, Bounds())) {
            if (mode == CombineMode::Or) {
                boxes_ = other.boxes_;
            }
            return;
        }
    }
    const Rect theirs{0, theirTop, 0, theirBottom};

    // Only the bands of this region that share rows with the other one take part in the sweep.
    // Those above and below it stay as they are (Or, Xor, Diff) or go (And); regions built from
    // the top down thus pay only for the bands they touch.
    const Rect* begin = boxes_.data();
    const Rect* end = begin + boxes_.size();
    const Rect* midBegin = std::partition_point(begin, end, [&](const Rect& b) { return b.bottom <= theirs.top; });
    const Rect* midEnd = std::partition_point(midBegin, end, [&](const Rect& b) { return b.top < theirs.bottom; });

    std::vector<Rect> middle;
    middle.reserve(std::size_t(midEnd - midBegin) + other.boxes_.size() + 8);
    {
        BandWriter writer(middle);
        SweepFor(mode, midBegin, midEnd, other.boxes_.data(), other.boxes_.data() + other.boxes_.size(), writer);
    }
    if (mode == CombineMode::And) {
        boxes_ = std::move(middle);
        return;
    }
    // The prefix stays where it is; the new middle and the old tail are appended behind it.
    std::vector<Rect> tail(midEnd, end);
    boxes_.resize(std::size_t(midBegin - begin));
    BandWriter writer(boxes_);
    writer.AppendBands(middle.data(), middle.data() + middle.size());
    writer.AppendBands(tail.data(), tail.data() + tail.size());
}

Region Region::Combined(const Region& a, const Region& b, CombineMode mode)
{
    Region r = a;
    r.Combine(b, mode);
    return r;
}

Rect Region::Bounds() const
{
    if (boxes_.empty()) {
        return Rect{};
    }
    Rect r{boxes_.front().left, boxes_.front().top, boxes_.back().right, boxes_.back().bottom};
    // The first box of a band has the band's leftmost edge, the last its rightmost one.
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        if (i == 0 || boxes_[i - 1].top != boxes_[i].top) {
            r.left = std::min(r.left, boxes_[i].left);
        }
        if (i + 1 == boxes_.size() || boxes_[i + 1].top != boxes_[i].top) {
            r.right = std::max(r.right, boxes_[i].right);
        }
    }
    return r;
}

bool Region::Contains(int x, int y) const
{
    auto band = std::partition_point(boxes_.begin(), boxes_.end(), [&](const Rect& b) { return b.bottom <= y; });
    if (band == boxes_.end() || band->top > y) {
        return false;
    }
    const int top = band->top;
    auto bandEnd = std::partition_point(band, boxes_.end(), [&](const Rect& b) { return b.top == top; });
    auto box = std::partition_point(band, bandEnd, [&](const Rect& b) { return b.right <= x; });
    return box != bandEnd && box->left <= x;
}

void Region::Offset(int dx, int dy)
{
    if (boxes_.empty() || (dx == 0 && dy == 0)) {
        return;
    }
    const Rect bounds = Bounds();
    const bool fits = std::int64_t(bounds.left) + dx >= INT_MIN && std::int64_t(bounds.right) + dx <= INT_MAX &&
                      std::int64_t(bounds.top) + dy >= INT_MIN && std::int64_t(bounds.bottom) + dy <= INT_MAX;
    if (fits) {
        for (Rect& b : boxes_) {
            b = b.Offset(dx, dy);
        }
        return;
    }
    // Pushed past the integer range: what leaves it is cut off, and the rest is rebuilt because
    // cut boxes may now touch or repeat their neighbours.
    std::vector<Rect> moved;
    moved.reserve(boxes_.size());
    const auto clamp = [](std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); };
    for (const Rect& b : boxes_) {
        const Rect m{clamp(std::int64_t(b.left) + dx), clamp(std::int64_t(b.top) + dy),
                     clamp(std::int64_t(b.right) + dx), clamp(std::int64_t(b.bottom) + dy)};
        if (!m.IsEmpty()) {
            moved.push_back(m);
        }
    }
    *this = FromRects(moved);
}

bool Region::SelfCheck() const
{
    const Rect* prevBand = nullptr;
    const Rect* prevBandEnd = nullptr;
    const Rect* p = boxes_.data();
    const Rect* end = p + boxes_.size();
    while (p != end) {
        const Rect* bandEnd = BandEnd(p, end);
        for (const Rect* b = p; b != bandEnd; ++b) {
            if (b->IsEmpty() || b->bottom != p->bottom) {
                return false;
            }
            if (b != p && b->left <= (b - 1)->right) {
                return false;  // overlapping, touching or out of order
            }
        }
        if (prevBand != nullptr) {
            if (p->top < prevBand->bottom) {
                return false;
            }
            if (p->top == prevBand->bottom && bandEnd - p == prevBandEnd - prevBand &&
                std::equal(p, bandEnd, prevBand,
                           [](const Rect& a, const Rect& b) { return a.left == b.left && a.right == b.right; })) {
                return false;  // should have been coalesced
            }
        }
        prevBand = p;
        prevBandEnd = bandEnd;
        p = bandEnd;
    }
    return true;
}

Region Scaled(const Region& region, const Rect& src, const Rect& dst)
{
    const std::int64_t sw = std::int64_t(src.right) - src.left;
    const std::int64_t sh = std::int64_t(src.bottom) - src.top;
    const std::int64_t dw = std::int64_t(dst.right) - dst.left;
    const std::int64_t dh = std::int64_t(dst.bottom) - dst.top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) {
        return Region();
    }
    // MulDiv's rounding (to nearest, halves away from zero) in wide integers, so that no
    // coordinate can overflow on the way; results beyond the int range are cut to it.
    const auto map = [](int v, int from, std::int64_t fromSize, int to, std::int64_t toSize) {
        __extension__ typedef __int128 Wide;
        const Wide p = Wide(std::int64_t(v) - from) * toSize;
        const Wide q = (p >= 0 ? p + fromSize / 2 : p - fromSize / 2) / fromSize;
        const Wide r = to + q;
        return int(r < INT_MIN ? Wide(INT_MIN) : r > INT_MAX ? Wide(INT_MAX) : r);
    };
    const auto mapX = [&](int x) { return map(x, src.left, sw, dst.left, dw); };
    const auto mapY = [&](int y) { return map(y, src.top, sh, dst.top, dh); };
    // Both mappings keep order, so bands stay sorted and apart; only boxes that shrink to nothing
    // and bands that become equal need the writer's care.
    std::vector<Rect> boxes;
    boxes.reserve(region.Rects().size());
    BandWriter writer(boxes);
    const Rect* p = region.Rects().data();
    const Rect* end = p + region.Rects().size();
    while (p != end) {
        const Rect* bandEnd = BandEnd(p, end);
        const int top = mapY(p->top);
        const int bottom = mapY(p->bottom);
        if (top < bottom) {
            writer.Begin(top, bottom);
            for (const Rect* b = p; b != bandEnd; ++b) {
                writer.Add(mapX(b->left), mapX(b->right));
            }
            writer.End();
        }
        p = bandEnd;
    }
    Region result;
    result.boxes_ = std::move(boxes);
    return result;
}

}  // namespace qel::raster
