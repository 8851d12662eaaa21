#pragma once
// The first picture of the full-screen show, prepared while the program is still starting: the
// window toolkit and the show's windows take a good part of the time to the first frame, and they
// do not need the picture. It is prepared for the display's size as the X server reports it
// before the toolkit is up; a window of another size (one of several screens) prepares its own as
// usual, and so does every window when this preparation failed.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "raster/bitmap.h"
#include "settings/saversettings.h"
#include "slideshow/shareddraws.h"

namespace qel::slideshow {

class FirstPicture {
public:
    // Chooses the picture the show will bring in first, with draws that the show's picture cycles
    // then replay, and starts preparing it for a width x height screen on a thread of its own.
    FirstPicture(settings::SaverSettings settings, std::shared_ptr<SharedDraws> draws, int width, int height);
    ~FirstPicture();  // waits for the preparation
    FirstPicture(const FirstPicture&) = delete;
    FirstPicture& operator=(const FirstPicture&) = delete;

    [[nodiscard]] const settings::SaverSettings& Settings() const { return settings_; }
    [[nodiscard]] const std::shared_ptr<SharedDraws>& Draws() const { return draws_; }

    // The picture prepared for `path` on a width x height screen, once it is ready; given out
    // once. Nothing when it was prepared for something else, or could not be prepared.
    [[nodiscard]] std::optional<raster::Bitmap> Take(const std::string& path, int width, int height);

private:
    settings::SaverSettings settings_;
    std::shared_ptr<SharedDraws> draws_;
    std::string path_;
    int width_;
    int height_;
    std::mutex mutex_;
    std::thread worker_;
    std::optional<raster::Bitmap> picture_;
    bool taken_ = false;
};

}  // namespace qel::slideshow
