#pragma once
// One function per mode; each runs its window's message loop and returns when it has closed.
// A QApplication exists when any of them is called (except the password mode, which needs none).

#include <memory>
#include <optional>

#include "app/commandline.h"
#include "platform/foreignwindow.h"

namespace qel::slideshow {
class FirstPicture;
}

namespace qel::app {

void RunPasswordMode(WindowHandle parent);
void RunConfigureMode();
void RunPreviewMode(WindowHandle parent);
// What the run mode can do before the window toolkit is up: start preparing the show's first
// picture for the size of the X display (the toolkit's windows match it; another platform such as
// offscreen has screens of its own). Nothing when that size is not known.
[[nodiscard]] std::unique_ptr<slideshow::FirstPicture> PrepareSaverMode(std::optional<platform::WindowSize> display);
void RunSaverMode(std::unique_ptr<slideshow::FirstPicture> first);

}  // namespace qel::app
