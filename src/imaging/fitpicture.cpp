#include "imaging/fitpicture.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "imaging/filters.h"
#include "imaging/pictureloader.h"
#include "imaging/resample.h"
#include "raster/muldiv.h"

namespace qel::imaging {

FitSize FitToArea(int w, int h, int areaWidth, int areaHeight)
{
    if (w < 1 || h < 1 || areaWidth < 1 || areaHeight < 1)
        throw std::invalid_argument("fitting needs sizes of at least 1x1");
    FitSize s;
    if (static_cast<long long>(h) * areaWidth > static_cast<long long>(w) * areaHeight) {
        s.width = raster::MulDiv(w, areaHeight, h);
        s.height = areaHeight;
    } else {
        s.width = areaWidth;
        s.height = raster::MulDiv(h, areaWidth, w);
    }
    // A very thin picture would round to nothing.
    s.width = std::max(1, s.width);
    s.height = std::max(1, s.height);
    return s;
}

raster::Bitmap ComposeCentered(const raster::Bitmap& picture, int areaWidth, int areaHeight, raster::Color background)
{
    raster::Bitmap out(areaWidth, areaHeight);
    const int left = (areaWidth - picture.Width()) / 2;
    const int top = (areaHeight - picture.Height()) / 2;
    const int x0 = std::max(0, left), x1 = std::min(areaWidth, left + picture.Width());
    const int y0 = std::max(0, top), y1 = std::min(areaHeight, top + picture.Height());
    if (x0 >= x1 || y0 >= y1) {
        out.Fill(background);
        return out;
    }
    // The background only around the picture: a full-screen picture is copied once.
    out.Fill({0, 0, areaWidth, y0}, background);
    out.Fill({0, y1, areaWidth, areaHeight}, background);
    out.Fill({0, y0, x0, y1}, background);
    out.Fill({x1, y0, areaWidth, y1}, background);
    for (int y = y0; y < y1; ++y)
        std::memcpy(out.Scanline(y) + 3 * static_cast<size_t>(x0),
                    picture.Scanline(y - top) + 3 * static_cast<size_t>(x0 - left), 3 * static_cast<size_t>(x1 - x0));
    return out;
}

raster::Bitmap FitPicture(const LoadedPicture& picture, int screenWidth, int screenHeight, bool fitToScreen,
                          raster::Color background)
{
    if (screenWidth < 1 || screenHeight < 1)
        throw std::invalid_argument("the screen must be at least 1x1");
    const FitSize target = fitToScreen ? FitToArea(picture.width, picture.height, screenWidth, screenHeight)
                                       : FitSize{picture.width, picture.height};
    if (picture.bitmap.Width() == target.width && picture.bitmap.Height() == target.height)
        return ComposeCentered(picture.bitmap, screenWidth, screenHeight, background);
    raster::Bitmap scaled(target.width, target.height);
    ResampleBitmap(Filter(kLanczos3).kernel, picture.bitmap, scaled, Filter(kLanczos3).support);
    if (target.width == screenWidth && target.height == screenHeight)
        return scaled;  // it fills the screen: nothing to centre
    return ComposeCentered(scaled, screenWidth, screenHeight, background);
}

raster::Bitmap LoadFittedPicture(const std::string& path, int screenWidth, int screenHeight, bool fitToScreen,
                                 raster::Color background)
{
    LoadOptions options;
    options.background = background;
    if (fitToScreen) {
        options.fitWidth = screenWidth;
        options.fitHeight = screenHeight;
    }
    const LoadedPicture picture = LoadPicture(path, options);
    return FitPicture(picture, screenWidth, screenHeight, fitToScreen, background);
}

}  // namespace qel::imaging
