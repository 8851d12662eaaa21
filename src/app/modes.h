#pragma once
// One function per mode; each runs its window's message loop and returns when it has closed.
// A QApplication exists when any of them is called (except the password mode, which needs none).

#include <memory>
#include <optional>
#include <string>

#include "app/commandline.h"
#include "platform/foreignwindow.h"
#include "platform/idlemonitor.h"

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
// The idle service until it is stopped (by a stop signal: 0) or its idle source stops working (1).
// `showLockName` is the run mode's guard, held while a show runs.
[[nodiscard]] int RunIdleServiceMode(std::unique_ptr<platform::IdleMonitor> monitor,
                                     std::optional<int> idleAfterSeconds, const std::string& showLockName);

}  // namespace qel::app
