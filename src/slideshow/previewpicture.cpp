#include "slideshow/previewpicture.h"

#include "imaging/fitpicture.h"
#include "raster/copy.h"

namespace qel::slideshow {

raster::Bitmap ComposePreviewPicture(const raster::Bitmap& picture, int w, int h, int W, int H,
                                     raster::Color background)
{
    raster::Bitmap out(W, H);
    out.Fill(background);
    if (picture.IsEmpty() || out.IsEmpty() || w < 1 || h < 1)
        return out;
    const imaging::FitSize fit = imaging::FitToArea(w, h, W, H);
    // Integer division truncates toward zero, as the centring rule asks.
    const int left = (W - fit.width) / 2;
    const int top = (H - fit.height) / 2;
    raster::StretchCopy(out, {left, top, left + fit.width, top + fit.height}, picture, picture.Bounds());
    return out;
}

}  // namespace qel::slideshow
