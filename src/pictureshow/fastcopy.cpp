#include "pictureshow/fastcopy.h"

#include <cstring>

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
    const Rect bounds = dst.Bounds().Intersect(src.Bounds());
    for (const Rect& box : clip.Rects()) {
        Rect r = box.Intersect(bounds);
        if (r.IsEmpty())
            continue;
        const size_t bytes = static_cast<size_t>(r.Width()) * 3;
        for (int row = r.top; row < r.bottom; ++row)
            std::memcpy(dst.Scanline(row) + r.left * 3, src.Scanline(row) + r.left * 3, bytes);
    }
}

}  // namespace qel::pictureshow
