#pragma once
// What the installer's window asks of the installer. The window lives in a library of its own
// (install.pak's "installerwindow.so"), loaded only on a system that has its toolkit; the installer
// program hands it one of these. Both are built together, so C++ objects and exceptions may cross.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qel::installer {

class InstallerSession {
public:
    virtual ~InstallerSession() = default;

    // A text of the window, from install.pak, with `fallback` when the piece has none.
    [[nodiscard]] virtual std::string Text(const std::string& key, const std::string& fallback) const = 0;
    // The window's icon (PNG bytes), possibly empty.
    [[nodiscard]] virtual std::vector<std::uint8_t> Icon() const = 0;
    [[nodiscard]] virtual std::string SaverName() const = 0;
    // What will be installed and where; notes about what the package lacks.
    [[nodiscard]] virtual std::string Summary() const = 0;
    [[nodiscard]] virtual std::vector<std::string> Notes() const = 0;

    using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;
    // Installs; throws std::exception with a message for the user.
    virtual void Install(const Progress& progress) = 0;
    // Whether the session has a host that runs savers, and the line that says why not.
    [[nodiscard]] virtual bool CanActivate(std::string& why) const = 0;
    // Makes the installed saver the active screen saver; returns a line for the user. Throws
    // std::exception with a message for the user.
    virtual std::string Activate() = 0;
    // After Install: where the saver is and how to remove it.
    [[nodiscard]] virtual std::string Result() const = 0;
    // After Install: it replaced an earlier install that was the active screen saver, and stays so
    // (nothing to ask then).
    [[nodiscard]] virtual bool StaysActive() const = 0;
};

// The window library's one export: shows the window, returns when it is closed. 0: installed;
// 1: not installed (failed or cancelled).
using RunInstallerWindowFn = int (*)(InstallerSession* session, int argc, char** argv);
inline constexpr const char* kRunInstallerWindowSymbol = "QelRunInstallerWindow";

}  // namespace qel::installer
