// Dissolves, swarms and ragged edges: the styles that draw on the process-wide random generator.

#include <algorithm>
#include <cstddef>
#include <vector>

#include "pictureshow/celltable.h"
#include "pictureshow/frame.h"
#include "pictureshow/random.h"
#include "pictureshow/regionbuilder.h"
#include "pictureshow/styles.h"

namespace qel::pictureshow {

namespace {

void Dissolve(FrameContext& f)
{
    CellTable& table = CellTable::Instance();
    const int count = table.CellCount();
    const int m = table.CellSize();
    const int u = count / 100;
    const int attempts = f.Step * (u + 1) + 1;
    RegionBuilder b(f.Bounds());
    for (int j = 0; j < attempts; ++j) {
        // The pool is the first e entries of the table; a chosen slot is refilled with the
        // entry just past the pool, which then shrinks by one.
        const int e = count - u * (f.P - f.Step) - j;
        if (e <= 0 || e >= count)
            continue;
        raster::Point& cell = table[Random(e)];
        b.AddRect(cell.x, cell.y, cell.x + m, cell.y + m);
        cell = table[e];
    }
    if (b.IsEmpty())
        return;  // nothing chosen: the whole picture area is invalidated, nothing drawn
    f.UseRegion(b.Take(), true);
}

void Swarm(int style, FrameContext& f)
{
    const int W = f.W, H = f.H;
    const bool rows = style == seSwarmWL || style == seSwarmWR;
    const int L = rows ? W : H;  // the side the swarm crosses
    const int across = rows ? H : W;
    const int e = rows ? f.X : f.Y;    // position of the solid edge
    const int z = e < L ? L / 10 : 0;  // depth of the zone of scattered blocks ahead of it
    const int s = std::max(z / 20, 2);
    const int n = z / s;
    const int near = (3 * z / s) / 4;
    const int stepAcross = std::max(s / 2, 1);
    RegionBuilder b(f.Bounds());
    auto add = [&](int a0, int c0, int a1, int c1) {
        if (rows)
            b.AddRect(a0, c0, a1, c1);
        else
            b.AddRect(c0, a0, c1, a1);
    };
    const bool fromStart = style == seSwarmWL || style == seSwarmWU;
    for (int c = 0; c < across; c += stepAcross) {
        if (fromStart)
            add(0, c, e, c + s);
        else
            add(L - e, c, L, c + s);
        for (int i = n; i >= 1; --i) {
            // Blocks near the edge show more often than those far ahead of it.
            const bool show = i <= near ? Random(i) <= 1 : Random(i) == 0;
            if (!show)
                continue;
            if (fromStart)
                add(e + s * i - s, c, e + s * i, c + s);
            else
                add(L - e - s * i, c, L - e - s * i + s, c + s);
        }
    }
    f.UseShapes(b);
}

// Styles 81 to 86: rows (or columns) of five pixels with a jittered edge.
void RaggedPass(int kind, bool rows, FrameContext& f, RegionBuilder& b)
{
    const int L = rows ? f.W : f.H;
    const int across = rows ? f.H : f.W;
    const int e = rows ? f.X : f.Y;
    const int a = e < L ? L / 7 : 0;
    const int thick = across % 5 + 5;
    auto jitter = [a] {
        const int first = Random(a);
        return first - Random(a);
    };
    auto add = [&](int a0, int c0, int a1, int c1) {
        if (rows)
            b.AddRect(a0, c0, a1, c1);
        else
            b.AddRect(c0, a0, c1, a1);
    };
    for (int c = 0; c < across; c += 5) {
        const int c1 = c + thick;
        switch (kind) {
        case 1: add(L - e + jitter(), c, L, c1); break;
        case 2: add(0, c, e + jitter(), c1); break;
        case 3:
            add((L - e + jitter()) / 2, c, L / 2, c1);
            add(L / 2, c, (L + e + jitter()) / 2, c1);
            break;
        default:
            add(L - (e + jitter()) / 2, c, L, c1);
            add(0, c, (e + jitter()) / 2, c1);
            break;
        }
    }
}

// Adds the union of strips that stand on the row `anchor`: strip i spans columns xs[i] ... xs[i + 1]
// - 1 and reaches heights[i] rows from the anchor, downward (down) or upward. Neighbouring strips
// are joined into rectangles as wide as their common height allows (each rectangle stands on a
// lower one, or on the anchor), so a row of the picture crosses one rectangle per run of strips
// instead of one per strip, and joining them into a region stays cheap at any picture width.
void AddStrips(RegionBuilder& b, const std::vector<int>& xs, const std::vector<int>& heights, int anchor, bool down)
{
    struct Level {
        int x, height;
    };
    std::vector<Level> open;
    const auto add = [&](int left, int right, int from, int to) {
        if (down)
            b.AddRect(left, anchor + from, right, anchor + to);
        else
            b.AddRect(left, anchor - to, right, anchor - from);
    };
    for (std::size_t i = 0; i <= heights.size(); ++i) {
        const int x = xs[i];
        const int height = i < heights.size() ? heights[i] : 0;
        int start = x;
        while (!open.empty() && open.back().height > height) {
            const Level top = open.back();
            open.pop_back();
            add(top.x, x, std::max(height, open.empty() ? 0 : open.back().height), top.height);
            start = top.x;
        }
        if (height > 0 && (open.empty() || open.back().height < height))
            open.push_back({start, height});
    }
}

// The columns of styles 85 and 86: the same jitter, drawn in the same order, as RaggedPass would
// on columns, but each column's two strips are measured from the line they stand on and the
// columns are added as AddStrips joins them. Columns overlap their neighbours by W mod 5 pixels;
// the overlap reaches as far as the longer of the two.
void RaggedColumns(int kind, FrameContext& f, RegionBuilder& b)
{
    const int L = f.H, across = f.W, e = f.Y;
    const int a = e < L ? L / 7 : 0;
    const int overlap = across % 5;
    const int m = L / 2;
    auto jitter = [a] {
        const int first = Random(a);
        return first - Random(a);
    };
    // kind 3: up and down from the middle row; kind 4: up from the bottom and down from the top.
    std::vector<int> up, down;
    for (int c = 0; c < across; c += 5) {
        if (kind == 3) {
            const int v1 = (L - e + jitter()) / 2;  // strip between v1 and the middle
            const int v2 = (L + e + jitter()) / 2;  // strip between the middle and v2
            up.push_back(m - std::clamp(std::min(v1, v2), 0, m));
            down.push_back(std::clamp(std::max(v1, v2), m, L) - m);
        } else {
            const int v1 = L - (e + jitter()) / 2;  // strip from v1 to the bottom
            const int v2 = (e + jitter()) / 2;      // strip from the top to v2
            up.push_back(L - std::clamp(v1, 0, L));
            down.push_back(std::clamp(v2, 0, L));
        }
    }
    if (up.empty())
        return;
    // Strips of constant height: the part a column shares with the one before it, then its own.
    std::vector<int> xs, stripsUp, stripsDown;
    for (std::size_t i = 0; i < up.size(); ++i) {
        const int c = static_cast<int>(i) * 5;
        if (overlap > 0) {
            xs.push_back(c);
            stripsUp.push_back(std::max(up[i], i > 0 ? up[i - 1] : 0));
            stripsDown.push_back(std::max(down[i], i > 0 ? down[i - 1] : 0));
        }
        xs.push_back(c + overlap);
        stripsUp.push_back(up[i]);
        stripsDown.push_back(down[i]);
    }
    const int end = static_cast<int>(up.size()) * 5;
    if (overlap > 0) {
        xs.push_back(end);
        stripsUp.push_back(up.back());
        stripsDown.push_back(down.back());
    }
    xs.push_back(end + overlap);
    if (kind == 3) {
        AddStrips(b, xs, stripsUp, m, false);
        AddStrips(b, xs, stripsDown, m, true);
    } else {
        AddStrips(b, xs, stripsUp, L, false);
        AddStrips(b, xs, stripsDown, 0, true);
    }
}

}  // namespace

void RandomStyle(int style, FrameContext& f)
{
    switch (style) {
    case seDissolve:
    case seLDissolve: Dissolve(f); return;
    case seSwarmWL:
    case seSwarmWR:
    case seSwarmWU:
    case seSwarmWD: Swarm(style, f); return;
    default: break;
    }
    RegionBuilder b(f.Bounds());
    switch (style) {
    case seRandomLeft: RaggedPass(2, true, f, b); break;
    case seRandomRight: RaggedPass(1, true, f, b); break;
    case seRandomOpen: RaggedPass(3, true, f, b); break;
    case seRandomClose: RaggedPass(4, true, f, b); break;
    case seRandomBoxIn:
        RaggedPass(4, true, f, b);
        RaggedColumns(4, f, b);
        break;
    case seRandomBoxOut:
        RaggedPass(3, true, f, b);
        RaggedColumns(3, f, b);
        break;
    default: return;
    }
    f.UseShapes(b);
}

}  // namespace qel::pictureshow
