#pragma once
// One function per mode; each runs its window's message loop and returns when it has closed.
// A QApplication exists when any of them is called (except the password mode, which needs none).

#include <memory>

#include "app/commandline.h"

namespace qel::slideshow {
class FirstPicture;
}

namespace qel::app {

void RunPasswordMode(WindowHandle parent);
void RunConfigureMode();
void RunPreviewMode(WindowHandle parent);
// What the run mode can do before the window toolkit is up: start preparing the show's first
// picture for the display's size. Nothing when there is no X display to ask.
[[nodiscard]] std::unique_ptr<slideshow::FirstPicture> PrepareSaverMode();
void RunSaverMode(std::unique_ptr<slideshow::FirstPicture> first);

}  // namespace qel::app
