#include "pictureshow/framestate.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "raster/compose.h"
#include "raster/copy.h"

namespace qel::pictureshow {

using raster::CombineMode;
using raster::Region;

void FrameState::Forget(const raster::Rect& bounds)
{
    bounds_ = bounds;
    new_ = Region();
    other_ = Region::FromRect(bounds);
    shown_ = Region();
}

// What a frame with drawings writes: the old picture wherever the frame holds something else now
// and will not be drawn on or revealed (a drawing writes every pixel of its area, and the new
// picture comes in last), the drawings, and the new picture wherever it is not already there.
struct FrameState::Plan {
    Region toOld, drawn, toNew;
};

FrameState::Plan FrameState::PlanFor(const Region& reveal, const std::vector<FrameDrawing>& drawings) const
{
    Plan p;
    for (const FrameDrawing& d : drawings)
        p.drawn.Combine(d.area, CombineMode::Or);
    p.toOld = Region::Combined(new_, other_, CombineMode::Or);
    p.toOld.Combine(reveal, CombineMode::Diff);
    p.toOld.Combine(p.drawn, CombineMode::Diff);
    const Region keptNew = Region::Combined(new_, p.drawn, CombineMode::Diff);
    p.toNew = Region::Combined(reveal, keptNew, CombineMode::Diff);
    return p;
}

bool FrameState::OnlyPictures(const std::vector<FrameDrawing>& drawings) const
{
    return drawings.empty() && other_.IsEmpty();
}

Region FrameState::Compose(raster::Bitmap& frame, const raster::Bitmap& oldPic, const raster::Bitmap& newPic,
                           const Region& reveal, const std::vector<FrameDrawing>& drawings)
{
    if (OnlyPictures(drawings)) {
        // Old and new pictures only, before and after: the difference of the two areas changes.
        Region changed = raster::ComposeChange(frame, oldPic, newPic, new_, reveal);
        new_ = reveal;
        return changed;
    }
    Plan p = PlanFor(reveal, drawings);
    raster::CopyClipped(frame, 0, 0, oldPic, p.toOld);
    for (const FrameDrawing& d : drawings)
        d.draw(frame);
    raster::CopyClipped(frame, 0, 0, newPic, p.toNew);

    Region changed = std::move(p.toOld);
    changed.Combine(p.drawn, CombineMode::Or);
    changed.Combine(p.toNew, CombineMode::Or);
    new_ = reveal;
    other_ = std::move(p.drawn);
    other_.Combine(reveal, CombineMode::Diff);
    return changed;
}

Region FrameState::Changes(const Region& reveal, const std::vector<FrameDrawing>& drawings) const
{
    if (OnlyPictures(drawings)) {
        Region changed = Region::Combined(new_, reveal, CombineMode::Xor);
        changed.Combine(Region::FromRect(bounds_), CombineMode::And);
        return changed;
    }
    Plan p = PlanFor(reveal, drawings);
    p.toOld.Combine(p.drawn, CombineMode::Or);
    p.toOld.Combine(p.toNew, CombineMode::Or);
    return p.toOld;
}

Region FrameState::Repaint(const Region& invalidated, const Region& changed)
{
    const Region whole = Region::FromRect(bounds_);
    if (invalidated == whole) {
        // The common case, told about the whole picture: what changed, and what was not shown.
        Region needed = changed;
        if (shown_ != whole)
            needed.Combine(Region::Combined(whole, shown_, CombineMode::Diff), CombineMode::Or);
        shown_ = whole;
        return Simplified(std::move(needed), invalidated);
    }
    // Where the window already shows what the frame holds: shown before, and not changed since.
    Region still = Region::Combined(shown_, changed, CombineMode::Diff);
    Region needed = Region::Combined(invalidated, still, CombineMode::Diff);
    shown_ = std::move(still);
    shown_.Combine(invalidated, CombineMode::Or);
    return Simplified(std::move(needed), invalidated);
}

// A window repaints a region rectangle by rectangle, and the ragged edges of some styles change
// tens of thousands of them a frame: such a region is widened to whole tiles, which repaints a
// little more, never outside what was invalidated, so the window shows the same.
Region FrameState::Simplified(Region needed, const Region& invalidated) const
{
    constexpr int kTile = 32;
    constexpr std::size_t kMostBoxes = 256;
    if (needed.Rects().size() <= kMostBoxes)
        return needed;
    const int columns = (bounds_.Width() + kTile - 1) / kTile;
    const int rows = (bounds_.Height() + kTile - 1) / kTile;
    // One byte a tile: tens of thousands of boxes mark it, mostly one row of tiles at a time.
    std::vector<std::uint8_t> marked(std::size_t(columns) * std::size_t(rows), 0);
    for (const raster::Rect& box : needed.Rects()) {
        const raster::Rect b = box.Intersect(bounds_);
        if (b.IsEmpty())
            continue;
        const std::size_t first = std::size_t(b.left / kTile), count = std::size_t((b.right - 1) / kTile) + 1 - first;
        for (int ty = b.top / kTile; ty <= (b.bottom - 1) / kTile; ++ty)
            std::fill_n(marked.begin() + std::ptrdiff_t(std::size_t(ty) * std::size_t(columns) + first), count,
                        std::uint8_t(1));
    }
    std::vector<raster::Rect> tiles;
    for (int ty = 0; ty < rows; ++ty) {
        for (int tx = 0; tx < columns;) {
            if (marked[std::size_t(ty) * std::size_t(columns) + std::size_t(tx)] == 0) {
                ++tx;
                continue;
            }
            const int first = tx;
            while (tx < columns && marked[std::size_t(ty) * std::size_t(columns) + std::size_t(tx)])
                ++tx;
            tiles.push_back({first * kTile, ty * kTile, tx * kTile, (ty + 1) * kTile});
        }
    }
    Region cover = Region::FromRects(tiles);
    cover.Combine(invalidated, CombineMode::And);
    return cover;
}

void FrameState::Unshown(const Region& changed)
{
    shown_.Combine(changed, CombineMode::Diff);
}

}  // namespace qel::pictureshow
