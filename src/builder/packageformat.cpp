#include "builder/packageformat.h"

#include <stdexcept>

#include "zip/zipformat.h"

namespace qel::builder {
namespace {

// "/" and "\\" would make a path; "=" would end the key of its line in install.ini.
bool IsRefusedCharacter(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || c == '=' || u < 0x20 || u == 0x7F;
}

}  // namespace

std::string KindValue(FileKind kind)
{
    return std::to_string(static_cast<int>(kind));
}

std::optional<FileKind> ParseKind(std::string_view value)
{
    if (value.size() != 1 || value[0] < '0' || value[0] > char('0' + kLastFileKind))
        return std::nullopt;
    return static_cast<FileKind>(value[0] - '0');
}

PackageTrailer TrailerFor(std::uint64_t setupSize, std::uint64_t installPakSize, std::uint64_t installIniSize,
                          std::uint64_t installDatSize)
{
    // The end of the last piece is the largest number the trailer must hold.
    const std::uint64_t end = setupSize + installPakSize + installIniSize + installDatSize;
    if (end > kMaxPieceEnd)
        throw std::runtime_error("The package would be " + std::to_string(end >> 20) +
                                 " MB; a package can hold at most 4 GB. Leave out some pictures or sounds.");
    PackageTrailer t;
    t.installPakOffset = std::uint32_t(setupSize);
    t.installPakSize = std::uint32_t(installPakSize);
    t.installIniOffset = std::uint32_t(setupSize + installPakSize);
    t.installIniSize = std::uint32_t(installIniSize);
    t.installDatOffset = std::uint32_t(setupSize + installPakSize + installIniSize);
    t.installDatSize = std::uint32_t(installDatSize);
    return t;
}

std::array<std::uint8_t, kTrailerSize> EncodeTrailer(const PackageTrailer& t)
{
    std::array<std::uint8_t, kTrailerSize> b{};
    std::copy(kTrailerMagic.begin(), kTrailerMagic.end(), b.begin());
    zip::PutLE32(b.data() + kTrailerInstallPakOffset, t.installPakOffset);
    zip::PutLE32(b.data() + kTrailerInstallPakSize, t.installPakSize);
    zip::PutLE32(b.data() + kTrailerInstallIniOffset, t.installIniOffset);
    zip::PutLE32(b.data() + kTrailerInstallIniSize, t.installIniSize);
    zip::PutLE32(b.data() + kTrailerInstallDatOffset, t.installDatOffset);
    zip::PutLE32(b.data() + kTrailerInstallDatSize, t.installDatSize);
    return b;  // the reserved bytes stay zero
}

std::optional<PackageTrailer> DecodeTrailer(const std::uint8_t* b)
{
    if (std::string_view(reinterpret_cast<const char*>(b), kTrailerMagic.size()) != kTrailerMagic)
        return std::nullopt;
    PackageTrailer t;
    t.installPakOffset = zip::GetLE32(b + kTrailerInstallPakOffset);
    t.installPakSize = zip::GetLE32(b + kTrailerInstallPakSize);
    t.installIniOffset = zip::GetLE32(b + kTrailerInstallIniOffset);
    t.installIniSize = zip::GetLE32(b + kTrailerInstallIniSize);
    t.installDatOffset = zip::GetLE32(b + kTrailerInstallDatOffset);
    t.installDatSize = zip::GetLE32(b + kTrailerInstallDatSize);
    return t;
}

bool IsSafeEntryName(std::string_view name)
{
    // A line of install.ini that begins with ";" is a comment.
    if (name.empty() || name == "." || name.substr(0, 2) == ".." || name.front() == ';')
        return false;
    for (char c : name) {
        if (IsRefusedCharacter(c))
            return false;
    }
    return true;
}

std::string MakeSafeEntryName(std::string_view name)
{
    std::string safe(name);
    for (char& c : safe) {
        if (IsRefusedCharacter(c))
            c = '_';
    }
    if (safe.empty() || safe == ".")
        return "_";
    if (safe.substr(0, 2) == ".." || safe.front() == ';')
        safe[0] = '_';
    return safe;
}

}  // namespace qel::builder
