#pragma once
// One function per mode; each runs its window's message loop and returns when it has closed.
// A QApplication exists when any of them is called (except the password mode, which needs none).

#include "app/commandline.h"

namespace qel::app {

void RunPasswordMode(WindowHandle parent);
void RunConfigureMode();
void RunPreviewMode(WindowHandle parent);
void RunSaverMode();

}  // namespace qel::app
