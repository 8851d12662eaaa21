#include "slideshow/firstpicture.h"

#include <exception>
#include <filesystem>
#include <utility>

#include "imaging/fitpicture.h"
#include "slideshow/picturecycle.h"

namespace qel::slideshow {

FirstPicture::FirstPicture(settings::SaverSettings settings, std::shared_ptr<SharedDraws> draws, int width, int height)
    : settings_(std::move(settings)), draws_(std::move(draws)), width_(width), height_(height)
{
    // The choice the picture cycles will make: the same list, order and draws.
    PictureCycle cycle(settings_.images, settings_.RandomPictures(), draws_->ForCycle().draw);
    for (int index : cycle.PlanNext(true).indices) {
        const std::string& path = settings_.images[std::size_t(index)];
        std::error_code ec;
        if (!path.empty() && std::filesystem::is_regular_file(path, ec)) {
            path_ = path;
            break;
        }
    }
    // Pictures that move are prepared by the window, with their source for the motion.
    if (path_.empty() || width_ < 1 || height_ < 1 || settings_.PanAndZoom())
        return;
    const bool fit = settings_.FitToScreen();
    const auto background = raster::Color(settings_.bgColor);
    worker_ = std::thread([this, fit, background] {
        std::optional<raster::Bitmap> picture;
        try {
            picture = imaging::LoadFittedPicture(path_, width_, height_, fit, background);
        } catch (const std::exception&) {
            // The window's own preparation tries again and reports the failure.
        }
        picture_ = std::move(picture);  // read only after the thread has been joined
    });
}

FirstPicture::~FirstPicture()
{
    if (worker_.joinable())
        worker_.join();
}

std::optional<raster::Bitmap> FirstPicture::Take(const std::string& path, int width, int height)
{
    if (path != path_ || width != width_ || height != height_)
        return std::nullopt;
    {
        const std::lock_guard lock(mutex_);
        if (taken_)
            return std::nullopt;
        taken_ = true;
    }
    if (worker_.joinable())
        worker_.join();
    return std::move(picture_);
}

}  // namespace qel::slideshow
