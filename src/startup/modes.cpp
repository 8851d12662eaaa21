// What each mode runs. Each function is filled in by the window it starts.

#include "startup/modes.h"

#include <cstdio>

#include "platform/password.h"

namespace qel::startup {

void RunPasswordMode(WindowHandle parent)
{
    platform::ChangeSaverPassword(parent);
}

void RunConfigureMode()
{
    std::fprintf(stderr, "QelSaver: the editor is not part of this build yet\n");
}

void RunPreviewMode(WindowHandle)
{
    std::fprintf(stderr, "QelSaver: the preview is not part of this build yet\n");
}

void RunSaverMode()
{
    std::fprintf(stderr, "QelSaver: the slideshow is not part of this build yet\n");
}

}  // namespace qel::startup
