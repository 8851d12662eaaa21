#include "slideshow/movingpicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "imaging/filters.h"
#include "imaging/fitpicture.h"
#include "imaging/pictureloader.h"
#include "imaging/resample.h"

namespace qel::slideshow {

PreparedMotion PrepareMovingPicture(const std::string& path, int width, int height, bool fit, raster::Color background,
                                    std::uint32_t seed, const QString& caption, CaptionCorner corner)
{
    if (width < 1 || height < 1)
        throw std::invalid_argument("the frame must be at least 1x1");
    imaging::LoadOptions options;
    options.background = background;
    if (fit) {
        // A reduced decode must still cover the picture at its largest zoom.
        options.fitWidth = static_cast<int>(std::ceil(width * pictureshow::kMostZoom));
        options.fitHeight = static_cast<int>(std::ceil(height * pictureshow::kMostZoom));
    }
    imaging::LoadedPicture loaded = imaging::LoadPicture(path, options);
    const imaging::FitSize size = fit ? imaging::FitToArea(loaded.width, loaded.height, width, height)
                                      : imaging::FitSize{loaded.width, loaded.height};
    const pictureshow::MotionSourceSize sourceSize = pictureshow::MotionSource(width, height, size.width, size.height);

    auto moving = std::make_shared<pictureshow::MovingPicture>();
    if (loaded.bitmap.Width() == sourceSize.width && loaded.bitmap.Height() == sourceSize.height) {
        moving->source = raster::SampleSource(loaded.bitmap);
    } else {
        raster::Bitmap scaled(sourceSize.width, sourceSize.height);
        const imaging::ResampleFilter& lanczos = imaging::Filter(imaging::kLanczos3);
        imaging::ResampleBitmap(lanczos.kernel, loaded.bitmap, scaled, lanczos.support);
        loaded.bitmap = raster::Bitmap();
        moving->source = raster::SampleSource(scaled);
    }
    moving->plan = pictureshow::PlanMotion(width, height, size.width, size.height, moving->source.Width(),
                                           moving->source.Height(), seed);
    moving->caption = CaptionOverlay(width, height, caption, corner);

    PreparedMotion prepared;
    prepared.firstView = raster::Bitmap(width, height);
    prepared.firstView.Fill(background);
    // The caption over the background as well; over the picture Draw lays it again.
    raster::BlendOverlay(prepared.firstView, moving->caption, prepared.firstView.Bounds());
    moving->Draw(prepared.firstView, 0.0);
    prepared.moving = std::move(moving);
    return prepared;
}

}  // namespace qel::slideshow
