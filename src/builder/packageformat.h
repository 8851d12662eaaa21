#pragma once
// The self-installing package, byte by byte. The installer program comes first, then the installer's
// own piece, the file list "install.ini" and the zip archive "install.dat", one after another without
// gaps, and last a 40-byte trailer that says where each piece lies:
//
//   offset 0          S bytes   the installer program ("setup.pak")
//   S                 P bytes   "install.pak"
//   S + P             I bytes   "install.ini"
//   S + P + I         D bytes   "install.dat"
//   S + P + I + D     40 bytes  the trailer: "QELSETUP", then six little-endian 32-bit numbers
//                               (offset and size of install.pak, install.ini, install.dat), then 8 zeros
//
// Every key of section "Files" of install.ini names one entry of the archive (no folders); its value
// says what the entry is (FileKind).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qel::builder {

// The prepared files in the "build" folder of the application folder.
inline constexpr const char* kBuildFolder = "build/";
inline constexpr const char* kSetupPak = "setup.pak";
inline constexpr const char* kInstallPak = "install.pak";
inline constexpr const char* kSaverPak = "Saver.pak";
inline constexpr const char* kUninstallPak = "Uninstall.pak";

// Files of a build in the work folder, and entries of the archive.
inline constexpr const char* kInstallIni = "install.ini";
inline constexpr const char* kInstallDat = "Install.dat";
inline constexpr const char* kUninstallEntry = "Uninstall.exe";
inline constexpr const char* kDecoderLibrary = "QelMpegDll.dll";
inline constexpr const char* kSaverExtension = ".scr";

// install.ini
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kSaverNameKey = "SaverName";
inline constexpr const char* kFilesSection = "Files";

enum class FileKind { Support = 0, Picture = 1, Sound = 2, SaverProgram = 3 };
inline constexpr int kLastFileKind = 3;

// The value written for a kind, and the kind of a value read (nothing for anything else).
[[nodiscard]] std::string KindValue(FileKind kind);
[[nodiscard]] std::optional<FileKind> ParseKind(std::string_view value);

// The trailer.
inline constexpr std::size_t kTrailerSize = 40;
inline constexpr std::string_view kTrailerMagic = "QELSETUP";
inline constexpr std::size_t kTrailerInstallPakOffset = 8;
inline constexpr std::size_t kTrailerInstallPakSize = 12;
inline constexpr std::size_t kTrailerInstallIniOffset = 16;
inline constexpr std::size_t kTrailerInstallIniSize = 20;
inline constexpr std::size_t kTrailerInstallDatOffset = 24;
inline constexpr std::size_t kTrailerInstallDatSize = 28;
inline constexpr std::size_t kTrailerReserved = 32;
inline constexpr std::uint64_t kMaxPieceEnd = 0xFFFFFFFFu;  // offsets and sizes are 32-bit

struct PackageTrailer {
    std::uint32_t installPakOffset = 0;  // = the size of the installer program
    std::uint32_t installPakSize = 0;
    std::uint32_t installIniOffset = 0;
    std::uint32_t installIniSize = 0;
    std::uint32_t installDatOffset = 0;
    std::uint32_t installDatSize = 0;

    friend bool operator==(const PackageTrailer&, const PackageTrailer&) = default;
};

// The sizes of the four pieces; the trailer follows from them. Throws std::runtime_error with a
// message for the user when an offset or size would not fit into 32 bits.
[[nodiscard]] PackageTrailer TrailerFor(std::uint64_t setupSize, std::uint64_t installPakSize,
                                        std::uint64_t installIniSize, std::uint64_t installDatSize);

[[nodiscard]] std::array<std::uint8_t, kTrailerSize> EncodeTrailer(const PackageTrailer& t);
// Nothing when the bytes do not begin with the magic text.
[[nodiscard]] std::optional<PackageTrailer> DecodeTrailer(const std::uint8_t* bytes);

// A name the installer accepts for an archive entry: one plain file name that install.ini can hold as
// a key. Not empty, no "/", "\", "=", NUL or other control character, not "." or "..", not beginning
// with ".." or ";".
[[nodiscard]] bool IsSafeEntryName(std::string_view name);
// The name with whatever IsSafeEntryName refuses replaced by "_" (an empty name becomes "_").
[[nodiscard]] std::string MakeSafeEntryName(std::string_view name);

}  // namespace qel::builder
