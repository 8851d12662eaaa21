#pragma once
// One function per mode; each runs its window's message loop and returns when it has closed.
// A QApplication exists when any of them is called (except the password mode, which needs none, and
// the idle service, which has a QCoreApplication only: it never opens a window itself).

#include <memory>
#include <optional>
#include <string>
#include <vector>

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
// `showLockName` is the run mode's guard, held while a show runs; each show runs `showArguments`
// of this same program in a process of its own.
[[nodiscard]] int RunIdleServiceMode(std::unique_ptr<platform::IdleMonitor> monitor,
                                     std::optional<int> idleAfterSeconds, const std::string& showLockName,
                                     const std::vector<std::string>& showArguments);
// One show of the idle service, in the process the service started for it: the show of the run mode
// until a stop signal or, without "LockOnResume", an exit input; with it, an exit input is only
// told to the service, which ends the show once the session is locked.
void RunIdleShowMode();

}  // namespace qel::app
