#pragma once
// What the builder window asks of the desktop: where to write the package (a file-save dialog) and
// showing a folder in the file manager. The editor answers both with the dialogs and the desktop
// opener it uses itself, so the builder has none of its own and a test can stand in for them.

#include <functional>
#include <string>

class QWidget;

namespace qel::builder {

struct PackageDesktop {
    // The package file to write, the dialog showing `suggested` (a full path) at first: ".run" is
    // added to a name typed without an extension, and an existing file is replaced only when the
    // user agrees. Empty when cancelled.
    std::function<std::string(QWidget* owner, const std::string& suggested)> choosePackageFile;
    // Hands a folder to the desktop's file manager; returns at once.
    std::function<void(const std::string& folder)> open;
};

}  // namespace qel::builder
