// The frame pipeline of the picture-show control: one frame for the current Progress, built from
// what the previous frame left, and what the window is told about it.

#include "pictureshow/pictureshowengine.h"

#include <utility>
#include <vector>

#include "pictureshow/frame.h"
#include "pictureshow/framestate.h"
#include "raster/copy.h"

namespace qel::pictureshow {

using raster::Bitmap;
using raster::Rect;
using raster::Region;

void PictureShowEngine::DrawFrame()
{
    DrawFrame(false);
}

// One frame. The frame bitmap is brought from what the previous frame left to what this one
// shows by rewriting only what differs (FrameState), and the window is told to repaint only the
// part of the invalidated area that it does not show yet: a frame costs what it changes. With
// OnBeforeNewFrame or OnAfterNewFrame the frame is built whole instead, since they may draw
// anything on it.
void PictureShowEngine::DrawFrame(bool wholeFirst)
{
    if (destroying_ || !busy_ || !newPic_ || !oldPic_) {
        if (wholeFirst)
            InvalidatePicture(media_.Bounds());
        return;
    }
    const Raised locked(mediaLocked_);

    const Rect bounds = media_.Bounds();
    const bool atStart = progress_ == progressMin_, atEnd = progress_ == progressMax_;
    FrameInvalidation told;
    if (wholeFirst)
        told.rects.push_back(bounds);
    if (OnBeforeNewFrame || OnAfterNewFrame) {
        DrawWholeFrame(told);
        return;
    }

    FrameContext f(*oldPic_, *newPic_, media_, progress_, step_);
    f.atStart = atStart;
    f.invalidate = [&told](const Rect& r) { told.rects.push_back(r); };
    if (!RunStyle(style_, f) || f.endNow) {
        // The frame is the old picture; it ends here, unseen (the window repaints it later).
        SettleBeforeFrame(Region(), {}, FrameInvalidation());
        Tell(told, frameState_.Compose(media_, *oldPic_, *newPic_, Region(), {}));
        return;
    }

    Region reveal;
    bool useRegion = f.choice == FrameChoice::Region && f.invalidateRegion;
    if (atEnd) {
        // The new picture whole, and the window told about all of it: the last rectangle of a
        // multi-rectangle style does not always cover what its earlier copies left out.
        reveal = Region::FromRect(bounds);
        f.drawings.clear();
        f.D = bounds;
        useRegion = false;
    } else if (atStart) {
        f.drawings.clear();
    } else {
        switch (f.choice) {
        case FrameChoice::Region:
            reveal = f.region;
            if (!reveal.IsEmpty() && reveal.Bounds().Intersect(bounds) != reveal.Bounds())
                reveal.Combine(Region::FromRect(bounds), raster::CombineMode::And);
            break;
        case FrameChoice::Rects:
            for (Rect& r : f.rects)
                r = r.Normalized().Intersect(bounds);
            reveal = Region::FromRects(f.rects);
            break;
        case FrameChoice::RectCopy:
            if (f.D == f.S && f.D.left <= f.D.right && f.D.top <= f.D.bottom) {
                reveal = Region::FromRect(f.D.Intersect(bounds));
            } else {
                // Moved or stretched: the last of the drawings.
                f.drawings.push_back(
                    {Region::FromRect(raster::StretchCopyArea(media_, f.D, *newPic_, f.S)),
                     [this, d = f.D, s = f.S](Bitmap& frame) { raster::StretchCopy(frame, d, *newPic_, s); }});
            }
            break;
        case FrameChoice::None: break;
        }
    }
    if (useRegion)
        told.region = std::move(f.region);
    else
        told.rects.push_back(f.D.Normalized());
    SettleBeforeFrame(reveal, f.drawings, told);
    const Region changed = frameState_.Compose(media_, *oldPic_, *newPic_, reveal, f.drawings);
    Tell(told, changed);
    if (!inPaint_ && host_ && !destroying_)
        host_->UpdateNow();
}

// The frame built whole from the old picture, as the pipeline defines it, with the hooks called
// on it.
void PictureShowEngine::DrawWholeFrame(FrameInvalidation& told)
{
    const Rect bounds = media_.Bounds();
    const bool atStart = progress_ == progressMin_, atEnd = progress_ == progressMax_;
    // The hooks may draw anywhere: what the window keeps of earlier frames goes to Offscreen first.
    Settle();
    frameState_.Forget(bounds);
    raster::Copy(media_, 0, 0, *oldPic_);
    if (OnBeforeNewFrame)
        OnBeforeNewFrame(*newPic_, media_);

    FrameContext f(*oldPic_, *newPic_, media_, progress_, step_);
    f.atStart = atStart;
    f.invalidate = [&told](const Rect& r) { told.rects.push_back(r); };
    if (!RunStyle(style_, f) || f.endNow) {
        Tell(told, Region::FromRect(bounds));
        return;
    }
    bool useRegion = f.choice == FrameChoice::Region && f.invalidateRegion;
    if (atEnd) {
        raster::Copy(media_, 0, 0, *newPic_);
        f.D = bounds;
        useRegion = false;
    } else if (!atStart) {
        for (const FrameDrawing& d : f.drawings)
            d.draw(media_);
        switch (f.choice) {
        case FrameChoice::Region: raster::CopyClipped(media_, 0, 0, *newPic_, f.region); break;
        case FrameChoice::Rects: raster::CopyClippedToRects(media_, *newPic_, f.rects); break;
        case FrameChoice::RectCopy: raster::StretchCopy(media_, f.D, *newPic_, f.S); break;
        case FrameChoice::None: break;
        }
    }
    if (useRegion)
        told.region = std::move(f.region);
    else
        told.rects.push_back(f.D.Normalized());
    Tell(told, Region::FromRect(bounds));

    if (OnAfterNewFrame && !destroying_)
        OnAfterNewFrame(*newPic_, media_);
    frameState_.Forget(bounds);
    if (!inPaint_ && host_ && !destroying_)
        host_->UpdateNow();
}

// Tells the window what a frame invalidated. When the picture lies on the client area unscaled,
// only what the window does not show yet is told: the rest already shows these very pixels.
void PictureShowEngine::Tell(const FrameInvalidation& told, const Region& changed)
{
    if (destroying_ || inPaint_ || !host_) {
        frameState_.Unshown(changed);
        return;
    }
    const Rect bounds = media_.Bounds();
    if (!UnscaledOnClient()) {
        frameState_.ForgetWindow();
        for (const Rect& r : told.rects)
            InvalidatePicture(r);
        InvalidatePicture(told.region);
        return;
    }
    Region inside = Region::FromRects(told.rects);
    inside.Combine(told.region, raster::CombineMode::Or);
    inside.Combine(Region::FromRect(bounds), raster::CombineMode::And);
    InvalidatePicture(frameState_.Repaint(inside, changed));
    // Stretched (at scale 1) onto a box larger than the picture: what lies outside the picture is
    // told as it is.
    if (stretch_)
        for (const Rect& r : told.rects)
            if (r.Normalized().Intersect(bounds) != r.Normalized())
                InvalidatePicture(r);
}

// Before the frame bitmap changes: what the window keeps of earlier frames where this frame
// rewrites the bitmap but does not repaint goes to Offscreen first (see Settle).
void PictureShowEngine::SettleBeforeFrame(const Region& reveal, const std::vector<FrameDrawing>& drawings,
                                          const FrameInvalidation& told)
{
    if (stale_.IsEmpty())
        return;
    Region repainted;
    if (!destroying_ && !inPaint_ && host_) {
        repainted = Region::FromRects(told.rects);
        repainted.Combine(told.region, raster::CombineMode::Or);
    }
    SettleBefore(frameState_.Changes(reveal, drawings), repainted);
}

bool PictureShowEngine::UnscaledOnClient() const
{
    if (!stretch_)
        return true;
    const Rect d = Destination();
    return d.Width() == picRect_.Width() && d.Height() == picRect_.Height();
}

}  // namespace qel::pictureshow
