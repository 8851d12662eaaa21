#include "imaging/fitpicture.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

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

namespace {

// A W x H bitmap of the background colour around `inside`, which is left to be drawn.
raster::Bitmap BackgroundAround(int areaWidth, int areaHeight, const raster::Rect& inside, raster::Color background)
{
    raster::Bitmap out(areaWidth, areaHeight);
    out.Fill({0, 0, areaWidth, inside.top}, background);
    out.Fill({0, inside.bottom, areaWidth, areaHeight}, background);
    out.Fill({0, inside.top, inside.left, inside.bottom}, background);
    out.Fill({inside.right, inside.top, areaWidth, inside.bottom}, background);
    return out;
}

// Where a w x h picture lies when centred on a W x H area (it may reach past the area's edges).
raster::Rect CentredPlace(int w, int h, int areaWidth, int areaHeight)
{
    const int left = (areaWidth - w) / 2;
    const int top = (areaHeight - h) / 2;
    return {left, top, left + w, top + h};
}

}  // namespace

raster::Bitmap ComposeCentered(const raster::Bitmap& picture, int areaWidth, int areaHeight, raster::Color background)
{
    const raster::Rect place = CentredPlace(picture.Width(), picture.Height(), areaWidth, areaHeight);
    const int x0 = std::max(0, place.left), x1 = std::min(areaWidth, place.right);
    const int y0 = std::max(0, place.top), y1 = std::min(areaHeight, place.bottom);
    if (x0 >= x1 || y0 >= y1) {
        raster::Bitmap out(areaWidth, areaHeight);
        out.Fill(background);
        return out;
    }
    // The background only around the picture: a full-screen picture is copied once.
    raster::Bitmap out = BackgroundAround(areaWidth, areaHeight, {x0, y0, x1, y1}, background);
    for (int y = y0; y < y1; ++y)
        std::memcpy(out.Scanline(y) + 3 * static_cast<size_t>(x0),
                    picture.Scanline(y - place.top) + 3 * static_cast<size_t>(x0 - place.left),
                    3 * static_cast<size_t>(x1 - x0));
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

namespace {

// Fits the picture to the screen while it is still being decoded: the resampler takes each group of
// rows as the decoder finishes it, on a thread of its own, so decoding and fitting overlap. The
// result is the bytes FitPicture gives for the decoded picture; whenever this cannot be done (a
// picture the decoder turns, no memory, no thread) there is no result and the caller fits the
// picture as usual.
class FitWhileDecoding final : public DecodeObserver {
public:
    FitWhileDecoding(int screenWidth, int screenHeight, raster::Color background)
        : screenWidth_(screenWidth), screenHeight_(screenHeight), background_(background)
    {
    }

    void Started(const std::uint8_t* rows, std::size_t stride, int width, int height, int pictureWidth,
                 int pictureHeight) noexcept override
    {
        try {
            const FitSize target = FitToArea(pictureWidth, pictureHeight, screenWidth_, screenHeight_);
            if (target.width == width && target.height == height)
                return;  // nothing to resample
            // The fitted picture is drawn straight onto the screen's bitmap.
            const raster::Rect place = CentredPlace(target.width, target.height, screenWidth_, screenHeight_);
            resampler_ = std::make_unique<ArrivingRowsResampler>(
                Filter(kLanczos3).kernel, Filter(kLanczos3).support, width, height,
                [w = screenWidth_, h = screenHeight_, place, c = background_] {
                    return BackgroundAround(w, h, place, c);
                },
                place);
            resampler_->Start(rows, stride);
            pictureWidth_ = pictureWidth;
            pictureHeight_ = pictureHeight;
        } catch (const std::exception&) {
            resampler_.reset();
        }
    }
    void RowsDone(int count) noexcept override
    {
        if (resampler_)
            resampler_->RowsArrived(count);
    }
    void Ended(bool complete) noexcept override
    {
        if (!resampler_)
            return;
        // Waits for the rows already given even when the decoding failed: they are about to be freed.
        std::optional<raster::Bitmap> scaled = resampler_->Finish();
        resampler_.reset();
        if (complete && scaled)
            scaled_ = std::move(scaled);
    }

    // The screen with the fitted picture, when it was made for a picture of this size.
    std::optional<raster::Bitmap> Take(const LoadedPicture& picture)
    {
        if (picture.width != pictureWidth_ || picture.height != pictureHeight_)
            return std::nullopt;
        return std::exchange(scaled_, std::nullopt);
    }

private:
    int screenWidth_;
    int screenHeight_;
    raster::Color background_;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    std::unique_ptr<ArrivingRowsResampler> resampler_;
    std::optional<raster::Bitmap> scaled_;
};

}  // namespace

raster::Bitmap LoadFittedPicture(const std::string& path, int screenWidth, int screenHeight, bool fitToScreen,
                                 raster::Color background)
{
    if (screenWidth < 1 || screenHeight < 1)
        throw std::invalid_argument("the screen must be at least 1x1");
    LoadOptions options;
    options.background = background;
    FitWhileDecoding whileDecoding(screenWidth, screenHeight, background);
    if (fitToScreen) {
        options.fitWidth = screenWidth;
        options.fitHeight = screenHeight;
        options.observer = &whileDecoding;
    }
    const LoadedPicture picture = LoadPicture(path, options);
    if (std::optional<raster::Bitmap> screen = whileDecoding.Take(picture))
        return std::move(*screen);
    return FitPicture(picture, screenWidth, screenHeight, fitToScreen, background);
}

}  // namespace qel::imaging
