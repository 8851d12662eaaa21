#pragma once
// When the desktop itself blanks or locks the screen of an idle user: if that comes before the idle
// service's wait, the user never sees the show. Read where the desktop keeps it: GNOME's idle delay
// (gsettings), KDE's screen locker and power-management timeouts (their files in the configuration
// folder), XScreenSaver's timeout (its preferences file).

#include <optional>
#include <string>

namespace qel::hosts {

struct DesktopBlanking {
    int seconds = 0;      // idle time after which the screen goes blank or locks
    std::string desktop;  // who does it: "GNOME", "KDE Plasma", "XScreenSaver"
};

// The earliest blanking of the session's desktop that can be read; nothing when none can (or it
// is switched off).
[[nodiscard]] std::optional<DesktopBlanking> ReadDesktopBlanking();

// The line the editor shows next to the wait when `blanking` comes before `waitMinutes`; empty
// when the show comes first.
[[nodiscard]] std::string BlankingNote(const std::optional<DesktopBlanking>& blanking, int waitMinutes);

// --- the readers, for what each desktop writes ------------------------------------------------------
// GNOME's idle-delay as gsettings prints it ("uint32 300"); 0 (never) gives nothing.
[[nodiscard]] std::optional<int> GnomeIdleDelaySeconds(const std::string& gsettingsOutput);
// kscreenlockerrc: [Daemon] Autolock (default true), Timeout in minutes (default 5).
[[nodiscard]] std::optional<int> KdeLockSeconds(const std::string& kscreenlockerrc);
// powermanagementprofilesrc: the screen's power saving on mains power, [AC][DPMSControl] idleTime in
// seconds; nothing when that section is absent.
[[nodiscard]] std::optional<int> KdeScreenOffSeconds(const std::string& powermanagementprofilesrc);
// ~/.xscreensaver: "timeout:" as H:MM:SS (or minutes alone).
[[nodiscard]] std::optional<int> XScreenSaverTimeoutSeconds(const std::string& preferences);

}  // namespace qel::hosts
