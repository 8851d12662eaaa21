#include "installer/installerresources.h"

#include "platform/safefiles.h"

namespace qel::installer {
namespace {

constexpr std::uint64_t kLargestEntry = 64u << 20;
constexpr const char* kTextsSection = "Texts";

zip::ZipLimits ResourceLimits()
{
    zip::ZipLimits limits;
    limits.maxEntries = 64;
    limits.maxEntrySize = kLargestEntry;
    limits.maxTotalSize = 4 * kLargestEntry;
    return limits;
}

}  // namespace

InstallerResources::InstallerResources(const zip::ByteSource* installPak)
{
    if (!installPak) {
        error_ = "the package has no install.pak";
        return;
    }
    try {
        archive_ = std::make_unique<zip::ZipReader>(*installPak, ResourceLimits());
        if (auto texts = ReadEntry(kTextsEntry))
            texts_ = settings::IniFile::FromText(*texts);
        if (auto icon = ReadEntry(kIconEntry))
            icon_.assign(icon->begin(), icon->end());
        if (auto needs = ReadEntry(kRequirementsEntry))
            requirements_ = ParseRequirements(*needs);
    } catch (const std::exception& e) {
        archive_.reset();
        texts_ = {};
        icon_.clear();
        requirements_ = {};
        error_ = e.what();
    }
}

InstallerResources::~InstallerResources() = default;

std::optional<std::string> InstallerResources::ReadEntry(const std::string& name) const
{
    if (!archive_)
        return std::nullopt;
    for (const zip::ZipEntry& e : archive_->Entries()) {
        if (e.name != name)
            continue;
        std::string bytes;
        bytes.reserve(e.uncompressedSize);
        archive_->Extract(
            e, [&](const std::uint8_t* p, std::size_t n) { bytes.append(reinterpret_cast<const char*>(p), n); });
        return bytes;
    }
    return std::nullopt;
}

std::string InstallerResources::Text(const std::string& key, const std::string& fallback) const
{
    return texts_.ReadString(kTextsSection, key, fallback);
}

std::optional<std::string> InstallerResources::ExtractWindow(const std::string& folder) const
{
    if (!archive_)
        return std::nullopt;
    for (const zip::ZipEntry& e : archive_->Entries()) {
        if (e.name != kWindowEntry)
            continue;
        const std::string path = folder + "/" + kWindowEntry;
        platform::NewFile out(path, 0700);
        archive_->Extract(e, [&](const std::uint8_t* p, std::size_t n) { out.Write(p, n); });
        out.Close();
        return path;
    }
    return std::nullopt;
}

}  // namespace qel::installer
