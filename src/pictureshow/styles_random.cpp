// Dissolves, swarms and ragged edges: the styles that draw on the process-wide random generator.

#include <algorithm>

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
        RaggedPass(4, false, f, b);
        break;
    case seRandomBoxOut:
        RaggedPass(3, true, f, b);
        RaggedPass(3, false, f, b);
        break;
    default: return;
    }
    f.UseShapes(b);
}

}  // namespace qel::pictureshow
