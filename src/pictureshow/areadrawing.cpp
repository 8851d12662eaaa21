// The control between transitions: a picture that moves while it is on show redraws its area
// of the frame bitmap, straight onto the window where it can.

#include <utility>

#include "pictureshow/pictureshowengine.h"

namespace qel::pictureshow {

using raster::Bitmap;
using raster::Rect;

bool PictureShowEngine::RedrawArea(const Rect& area, AreaDrawing drawing)
{
    if (busy_ || inPaint_ || destroying_ || mediaLocked_ || media_.IsEmpty() || !drawing.toFrame)
        return false;
    const Rect r = area.Intersect(media_.Bounds());
    if (r.IsEmpty())
        return false;
    // A drawing still waiting elsewhere is kept in the frame bitmap first.
    if (pending_.toFrame && r.Intersect(pendingArea_) != pendingArea_)
        Materialize();
    // All of the area is repainted from the new drawing at once, so what earlier paints put on the
    // window straight from the frame bitmap needs no catching up here.
    pending_ = std::move(drawing);
    pendingArea_ = r;
    InvalidatePicture(r);
    if (host_)
        host_->UpdateNow();
    return true;
}

void PictureShowEngine::Materialize() const
{
    if (!pending_.toFrame)
        return;
    const AreaDrawing drawing = std::exchange(pending_, {});
    drawing.toFrame(media_);
}

const Bitmap& PictureShowEngine::Media() const
{
    Materialize();
    return media_;
}

}  // namespace qel::pictureshow
