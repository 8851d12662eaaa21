#pragma once
// install.pak, the installer's own piece of every package: a zip archive with what the installer
// shows and needs besides its program. Made by the build beside the other prepared files:
//
//   "installer.ini"      the window's texts (section "Texts")
//   "icon.png"           the window's icon
//   "requirements.ini"   what the saver needs of the system (requirements.h)
//   "installerwindow.so" the window itself, loaded only when the system has its toolkit, so that
//                        the installer runs, and says what is missing, on any system

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "installer/requirements.h"
#include "settings/inifile.h"
#include "zip/bytesource.h"
#include "zip/zipreader.h"

namespace qel::installer {

inline constexpr const char* kTextsEntry = "installer.ini";
inline constexpr const char* kIconEntry = "icon.png";
inline constexpr const char* kRequirementsEntry = "requirements.ini";
inline constexpr const char* kWindowEntry = "installerwindow.so";

class InstallerResources {
public:
    // Reads the archive in `installPak` (which must outlive this). A damaged piece gives empty texts,
    // no icon, no requirements and no window: the installer then works on the command line.
    explicit InstallerResources(const zip::ByteSource* installPak);
    ~InstallerResources();

    // The text of `key`, or `fallback` when install.pak has none.
    [[nodiscard]] std::string Text(const std::string& key, const std::string& fallback) const;
    [[nodiscard]] const std::vector<std::uint8_t>& Icon() const { return icon_; }
    [[nodiscard]] const Requirements& Needs() const { return requirements_; }
    // Writes the window's library into `folder` and returns its path; nothing when there is none.
    [[nodiscard]] std::optional<std::string> ExtractWindow(const std::string& folder) const;
    // Why the piece could not be read; empty when it could.
    [[nodiscard]] const std::string& Error() const { return error_; }

private:
    std::optional<std::string> ReadEntry(const std::string& name) const;

    std::unique_ptr<zip::ZipReader> archive_;
    settings::IniFile texts_;
    std::vector<std::uint8_t> icon_;
    Requirements requirements_;
    std::string error_;
};

}  // namespace qel::installer
