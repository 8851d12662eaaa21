// What each mode runs. Each function is filled in by the window it starts.

#include "startup/modes.h"

#include <cstdio>

#include "platform/foreignwindow.h"
#include "platform/password.h"
#include "slideshow/tpreviewform.h"
#include "slideshow/tstartform.h"

namespace qel::startup {

void RunPasswordMode(WindowHandle parent)
{
    platform::ChangeSaverPassword(parent);
}

void RunConfigureMode()
{
    std::fprintf(stderr, "QelSaver: the editor is not part of this build yet\n");
}

void RunPreviewMode(WindowHandle parent)
{
    // No window to live in (handle 0, or a window that does not exist): nothing to show.
    const auto size = platform::ForeignWindowSize(parent);
    if (!size)
        return;
    slideshow::TPreviewForm preview(parent, size->width, size->height);
    preview.Run();
}

void RunSaverMode()
{
    slideshow::TStartForm launcher;
    launcher.FormShow();
}

}  // namespace qel::startup
