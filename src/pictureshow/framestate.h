#pragma once
// What the frame bitmap holds during a transition, and what the window shows of it, so that each
// frame rewrites and repaints only the pixels that change instead of the whole picture.
//
// The frame bitmap holds the new picture inside NewArea(), pixels of the style's own drawings
// (moved, mirrored, blended) inside OtherArea(), and the old picture everywhere else; the two
// areas never overlap. Shown() is where the window is known to show the frame bitmap's present
// pixels. All in picture coordinates; everything is a subset of the picture's bounds.

#include <vector>

#include "pictureshow/frame.h"
#include "raster/bitmap.h"
#include "raster/region.h"

namespace qel::pictureshow {

class FrameState {
public:
    // Nothing is known of the frame bitmap of size `bounds` (a new transition, or a frame that
    // hooks drew on), nor of what the window shows.
    void Forget(const raster::Rect& bounds);

    // Brings the frame bitmap to what the pipeline defines: the old picture, then `drawings` in
    // their order, then the new picture inside `reveal`; writing only the pixels that can differ
    // from what it holds. Returns those pixels.
    raster::Region Compose(raster::Bitmap& frame, const raster::Bitmap& oldPic, const raster::Bitmap& newPic,
                           const raster::Region& reveal, const std::vector<FrameDrawing>& drawings);
    // The pixels Compose would write for the same reveal and drawings, without writing them.
    [[nodiscard]] raster::Region Changes(const raster::Region& reveal, const std::vector<FrameDrawing>& drawings) const;

    // The window is told about `invalidated` (picture coordinates) after the frame changed the
    // pixels `changed`: returns the part of it where the window does not show the frame
    // bitmap's present pixels yet, the only part that needs repainting (or, when that part is
    // very ragged, a somewhat larger one of few rectangles, still inside `invalidated`).
    raster::Region Repaint(const raster::Region& invalidated, const raster::Region& changed);
    // The frame changed `changed` without telling the window.
    void Unshown(const raster::Region& changed);
    // The window's content is not known (moved, resized, or painted from elsewhere).
    void ForgetWindow() { shown_ = raster::Region(); }

    [[nodiscard]] const raster::Region& NewArea() const { return new_; }
    [[nodiscard]] const raster::Region& OtherArea() const { return other_; }
    [[nodiscard]] const raster::Region& Shown() const { return shown_; }

private:
    struct Plan;
    [[nodiscard]] Plan PlanFor(const raster::Region& reveal, const std::vector<FrameDrawing>& drawings) const;
    [[nodiscard]] bool OnlyPictures(const std::vector<FrameDrawing>& drawings) const;
    [[nodiscard]] raster::Region Simplified(raster::Region needed, const raster::Region& invalidated) const;

    raster::Rect bounds_;
    raster::Region new_, other_, shown_;
};

}  // namespace qel::pictureshow
