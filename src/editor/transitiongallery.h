#pragma once
// Where the transition gallery lies: one small looping animation per style, made when the program
// is built, in the user manual's folder, whose page "gallery.html" shows them all and whose
// Transitions page shows the one of the style under the mouse.

#include <cstdio>
#include <string>

namespace qel::editor {

// The manual's folder, below the application folder.
inline constexpr const char* kManualFolder = "manual/";
// The gallery page, in the manual's folder.
inline constexpr const char* kGalleryPage = "gallery.html";

// The animation of a style, relative to the manual's folder: "gallery/transition-07.gif".
inline std::string GalleryAnimationName(int style)
{
    char name[40];
    std::snprintf(name, sizeof name, "gallery/transition-%02d.gif", style);
    return name;
}

}  // namespace qel::editor
