#pragma once
// The one reader of EXIF data: the TIFF block that cameras put into a JPEG's APP1 segment (after
// "Exif\0\0") or a PNG's "eXIf" chunk. It reads only what the program uses: the orientation (turns
// the photo upright), the date it was taken and its description (captions).
//
// Untrusted input: every offset is checked against the block before it is read, only the first
// directory and the EXIF sub-directory it points to are visited (no chains, so no loops), and texts
// are cut at kMaxExifText bytes. A damaged block gives what was read before the damage.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qel::imaging {

// A day of the calendar as a photo records it; always a valid date when present.
struct CalendarDate {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31, valid for the month

    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

// Texts longer than this are cut: a caption is one line.
inline constexpr std::size_t kMaxExifText = 2000;

struct ExifFields {
    int orientation = 1;                    // tag 0x0112, 1..8; 1 when absent or invalid
    std::optional<CalendarDate> dateTaken;  // tag 0x9003 DateTimeOriginal, "YYYY:MM:DD HH:MM:SS"
    std::string description;                // tag 0x010E ImageDescription, bytes as stored
};

// The fields of a TIFF block ("II" or "MM", 42, offset of the first directory, ...).
[[nodiscard]] ExifFields ReadTiffFields(std::span<const std::uint8_t> tiff);

// The same for an APP1 payload: "Exif\0\0" followed by the TIFF block. Anything else gives the
// defaults.
[[nodiscard]] ExifFields ReadExifFields(std::span<const std::uint8_t> app1);

// "YYYY:MM:DD" at the start of an EXIF date text ("-" and "/" are accepted between the numbers,
// as some programs write them); nothing for blanks, zeros or impossible days.
[[nodiscard]] std::optional<CalendarDate> ParseExifDate(std::string_view text);

}  // namespace qel::imaging
