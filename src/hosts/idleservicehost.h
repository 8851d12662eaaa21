#pragma once
// Our own host for desktops that run no screen-saver program: QelSaver's idle service, started with
// the session by an XDG autostart entry of the user's. Installing it writes that entry and starts the
// service at once; undoing it takes the entry back to what was there before.

#include <string>

#include "hosts/saverhost.h"

namespace qel::hosts {

inline constexpr const char* kIdleServiceName = "QelSaver idle service";

// Where the entry goes: $XDG_CONFIG_HOME/autostart/qelsaver-idle.desktop (empty without a home).
[[nodiscard]] std::string IdleServiceAutostartFile();

// The entry that starts `program` as the idle service with the session.
[[nodiscard]] std::string IdleServiceAutostartEntry(const std::string& program);

// Whether this session offers an idle source the service can watch, and which one it would use.
[[nodiscard]] HostStatus IdleServiceStatus();

// Writes the entry for `program` and starts the service (that of another copy ends first). An entry of that name that we did not write
// (the user's own, a link, a folder) stays as it is and the install is refused: std::runtime_error
// naming the file, as for a program that cannot be started (nothing is left changed then).
InstallResult InstallIdleService(const HostStatus& host, const std::string& program, const std::string& title);

// Takes the entry back: ours as we wrote it goes, or gives way to the entry of ours it replaced
// (whose service starts again); anything else there stays. The service of the program taken back ends.
std::string UndoIdleService(const HostChange& change);

}  // namespace qel::hosts
