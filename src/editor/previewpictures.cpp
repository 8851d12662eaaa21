#include "editor/previewpictures.h"

#include "imaging/filters.h"
#include "imaging/fitpicture.h"
#include "imaging/pictureloader.h"
#include "imaging/resample.h"

namespace qel::editor {
namespace {

// The bitmap resampled to exactly width x height with Lanczos-3 at its own support.
raster::Bitmap Resampled(const raster::Bitmap& source, int width, int height)
{
    raster::Bitmap scaled(width, height);
    const imaging::ResampleFilter& lanczos = imaging::Filter(imaging::kLanczos3);
    imaging::ResampleBitmap(lanczos.kernel, source, scaled, lanczos.support);
    return scaled;
}

imaging::LoadedPicture LoadForArea(const std::string& path, int areaWidth, int areaHeight, raster::Color background)
{
    imaging::LoadOptions options;
    options.background = background;
    options.fitWidth = areaWidth;
    options.fitHeight = areaHeight;
    return imaging::LoadPicture(path, options);
}

}  // namespace

raster::Bitmap ImagePreviewBitmap(const imaging::LoadedPicture& picture, int areaWidth, int areaHeight,
                                  raster::Color background)
{
    if (picture.bitmap.IsEmpty() || picture.width < 1 || picture.height < 1) {
        raster::Bitmap blank(areaWidth, areaHeight);
        blank.Fill(background);
        return blank;
    }
    // Large enough in either direction: fitted. The loader may have decoded a large photo at a
    // reduced scale, so a small picture is brought to its own size too.
    imaging::FitSize size{picture.width, picture.height};
    if (picture.width >= areaWidth || picture.height >= areaHeight)
        size = imaging::FitToArea(picture.width, picture.height, areaWidth, areaHeight);
    if (picture.bitmap.Width() == size.width && picture.bitmap.Height() == size.height)
        return imaging::ComposeCentered(picture.bitmap, areaWidth, areaHeight, background);
    return imaging::ComposeCentered(Resampled(picture.bitmap, size.width, size.height), areaWidth, areaHeight,
                                    background);
}

raster::Bitmap LoadImagePreview(const std::string& path, int areaWidth, int areaHeight, raster::Color background)
{
    return ImagePreviewBitmap(LoadForArea(path, areaWidth, areaHeight, background), areaWidth, areaHeight, background);
}

raster::Bitmap TransitionSampleBitmap(const imaging::LoadedPicture& picture, int areaWidth, int areaHeight)
{
    if (picture.bitmap.IsEmpty() || picture.width < 1 || picture.height < 1)
        return {};
    const imaging::FitSize size = imaging::FitToArea(picture.width, picture.height, areaWidth, areaHeight);
    return Resampled(picture.bitmap, size.width, size.height);
}

raster::Bitmap LoadTransitionSample(const std::string& path, int areaWidth, int areaHeight)
{
    return TransitionSampleBitmap(LoadForArea(path, areaWidth, areaHeight, 0), areaWidth, areaHeight);
}

}  // namespace qel::editor
