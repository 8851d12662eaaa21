#pragma once
// What the editor's commands ask of the rest of the system: making this program the desktop's
// screen saver, running the show, and opening help files and addresses with the desktop's
// programs. The window holds them as replaceable functions, so a test can stand in for the desktop
// and for a show that would take over every screen.

#include <functional>
#include <optional>
#include <string>

#include "hosts/desktopblanking.h"
#include "hosts/saverhost.h"

namespace qel::editor {

// What the editor learns about the desktop's idle handling (asking takes a moment).
struct IdleServiceFacts {
    bool serviceInUse = true;  // the idle service is the host an install uses
    std::optional<hosts::DesktopBlanking> blanking;
};

struct SystemActions {
    // Makes `program` (an absolute path) the screen saver of the session's host, listed as `title`.
    // Throws std::runtime_error naming the file when a file of the host cannot be written.
    std::function<hosts::InstallResult(const std::string& program, const std::string& title)> installSaver;
    // Runs the show of `settingsFile` on every screen and returns when it has ended.
    std::function<void(const std::string& settingsFile)> runShow;
    // Whether something on the system opens `file`.
    std::function<bool(const std::string& file)> canOpen;
    // Hands a file or an address to the desktop's opener; returns at once.
    std::function<void(const std::string& target)> open;
    // Asked once, on a thread of its own, when the window opens; none: nothing is asked.
    std::function<IdleServiceFacts()> idleServiceFacts;
};

// The real ones: the hosts module, the slideshow session, xdg-mime and xdg-open.
[[nodiscard]] SystemActions MakeSystemActions();

}  // namespace qel::editor
