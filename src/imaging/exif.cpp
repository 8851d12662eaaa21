#include "imaging/exif.h"

#include <cstring>

namespace qel::imaging {
namespace {

// Tags and field types of the TIFF directories.
constexpr std::uint16_t kTagDescription = 0x010E;
constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTagExifDirectory = 0x8769;
constexpr std::uint16_t kTagDateTimeOriginal = 0x9003;
constexpr std::uint16_t kTypeByte = 1;
constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeUndefined = 7;
constexpr std::uint16_t kTypeIfd = 13;
constexpr std::uint16_t kTiffMagic = 42;
constexpr std::size_t kTiffHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kValueField = 8;  // where an entry's value (or its offset) sits
constexpr std::size_t kInlineValueSize = 4;

class TiffBlock {
public:
    TiffBlock(std::span<const std::uint8_t> bytes, bool little) : bytes_(bytes), little_(little) {}

    [[nodiscard]] std::size_t Size() const { return bytes_.size(); }
    // Callers check that the bytes exist.
    [[nodiscard]] std::uint32_t U16(std::size_t at) const
    {
        return little_ ? (bytes_[at] | (bytes_[at + 1] << 8)) : ((bytes_[at] << 8) | bytes_[at + 1]);
    }
    [[nodiscard]] std::uint32_t U32(std::size_t at) const
    {
        return little_ ? (U16(at) | (U16(at + 2) << 16)) : ((U16(at) << 16) | U16(at + 2));
    }

    // The bytes of the entry at `at` (value inline when they fit in its value field, elsewhere at
    // the offset it holds), or nothing when they lie outside the block.
    [[nodiscard]] std::optional<std::span<const std::uint8_t>> EntryBytes(std::size_t at, std::uint32_t count) const
    {
        if (count <= kInlineValueSize)
            return bytes_.subspan(at + kValueField, count);
        const std::uint64_t offset = U32(at + kValueField);
        if (offset > bytes_.size() || bytes_.size() - offset < count)
            return std::nullopt;
        return bytes_.subspan(static_cast<std::size_t>(offset), count);
    }

    // Text up to its first NUL, cut at kMaxExifText.
    [[nodiscard]] std::string EntryText(std::size_t at) const
    {
        const std::uint32_t type = U16(at + 2);
        if (type != kTypeAscii && type != kTypeByte && type != kTypeUndefined)
            return {};
        const auto bytes = EntryBytes(at, U32(at + 4));
        if (!bytes)
            return {};
        std::size_t n = 0;
        while (n < bytes->size() && n < kMaxExifText && (*bytes)[n] != 0)
            ++n;
        return std::string(reinterpret_cast<const char*>(bytes->data()), n);
    }

    // Calls `visit(tag, entryOffset)` for each entry of the directory at `offset` that lies wholly
    // within the block, stopping at the first that does not.
    template <typename Visit> void ForEachEntry(std::uint64_t offset, Visit&& visit) const
    {
        if (offset > bytes_.size() || bytes_.size() - offset < 2)
            return;
        const std::uint32_t entries = U16(static_cast<std::size_t>(offset));
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::uint64_t at = offset + 2 + std::uint64_t(i) * kEntrySize;
            if (at + kEntrySize > bytes_.size())
                return;
            visit(U16(static_cast<std::size_t>(at)), static_cast<std::size_t>(at));
        }
    }

private:
    std::span<const std::uint8_t> bytes_;
    bool little_;
};

bool IsDigits(std::string_view text, std::size_t from, std::size_t count)
{
    for (std::size_t i = from; i < from + count; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

int Number(std::string_view text, std::size_t from, std::size_t count)
{
    int n = 0;
    for (std::size_t i = from; i < from + count; ++i)
        n = n * 10 + (text[i] - '0');
    return n;
}

bool IsLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysIn(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<CalendarDate> ParseExifDate(std::string_view text)
{
    constexpr std::size_t kDateLength = 10;  // "YYYY:MM:DD"
    if (text.size() < kDateLength || !IsDigits(text, 0, 4) || !IsDigits(text, 5, 2) || !IsDigits(text, 8, 2))
        return std::nullopt;
    const char sep = text[4];
    if ((sep != ':' && sep != '-' && sep != '/') || text[7] != sep)
        return std::nullopt;
    const CalendarDate d{Number(text, 0, 4), Number(text, 5, 2), Number(text, 8, 2)};
    if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > DaysIn(d.year, d.month))
        return std::nullopt;
    return d;
}

ExifFields ReadTiffFields(std::span<const std::uint8_t> tiff)
{
    ExifFields fields;
    if (tiff.size() < kTiffHeaderSize)
        return fields;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return fields;
    const TiffBlock block(tiff, little);
    if (block.U16(2) != kTiffMagic)
        return fields;

    bool orientationSeen = false;
    std::optional<std::uint32_t> exifDirectory;
    auto readDate = [&](std::size_t at) {
        if (!fields.dateTaken)
            fields.dateTaken = ParseExifDate(block.EntryText(at));
    };
    block.ForEachEntry(block.U32(4), [&](std::uint32_t tag, std::size_t at) {
        switch (tag) {
        case kTagOrientation:
            // Type SHORT, count 1 or more: the value sits in the first two bytes of the value field.
            // Only the first entry counts, valid or not.
            if (!orientationSeen && block.U16(at + 2) == kTypeShort && block.U32(at + 4) >= 1) {
                const std::uint32_t v = block.U16(at + kValueField);
                fields.orientation = v >= 1 && v <= 8 ? static_cast<int>(v) : 1;
            }
            orientationSeen = true;
            break;
        case kTagDescription:
            if (fields.description.empty())
                fields.description = block.EntryText(at);
            break;
        case kTagExifDirectory:
            if (!exifDirectory && (block.U16(at + 2) == kTypeLong || block.U16(at + 2) == kTypeIfd))
                exifDirectory = block.U32(at + kValueField);
            break;
        case kTagDateTimeOriginal: readDate(at); break;  // misplaced, but seen in the wild
        default: break;
        }
    });
    if (exifDirectory)
        block.ForEachEntry(*exifDirectory, [&](std::uint32_t tag, std::size_t at) {
            if (tag == kTagDateTimeOriginal)
                readDate(at);
        });
    return fields;
}

ExifFields ReadExifFields(std::span<const std::uint8_t> app1)
{
    static const std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < sizeof kExif || std::memcmp(app1.data(), kExif, sizeof kExif) != 0)
        return {};
    return ReadTiffFields(app1.subspan(sizeof kExif));
}

}  // namespace qel::imaging
