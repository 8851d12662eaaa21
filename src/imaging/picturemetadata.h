#pragma once
// What a picture file says about itself, for captions: the date the photo was taken and its
// description. Read from the metadata at the head of the file, apart from the pixels: JPEG's APP1
// segments (EXIF, XMP), PNG's chunks ("eXIf", XMP and "Description" texts), WebP's "EXIF" and
// "XMP " chunks, and a TIFF file's own directories. EXIF goes through the loader's one EXIF reader
// (exif.h).
//
// Untrusted input, read within bounds: at most kMetadataHeadBytes of a file are looked at, the
// walk over segments or chunks stops at the pixels or at the first one that does not fit, and
// every text is cut to one caption line.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "imaging/exif.h"

namespace qel::imaging {

// How much of a file's head is read for its metadata: cameras and photo programs keep it well
// inside this, before the pixels.
inline constexpr std::size_t kMetadataHeadBytes = 1 << 20;

struct PictureMetadata {
    std::optional<CalendarDate> dateTaken;  // EXIF DateTimeOriginal
    // XMP dc:description, else EXIF ImageDescription (else PNG's "Description"): valid UTF-8 on
    // one line, trimmed; empty when there is none or it is only a camera's stock text.
    std::string description;
    // The file's modification time in seconds since 1970 (UTC); nothing when it was not read.
    std::optional<std::int64_t> modifiedSeconds;
};

// The metadata in the bytes of a file with this extension (any case, no dot); nothing for formats
// that carry none. Never throws for any content.
[[nodiscard]] PictureMetadata ReadPictureMetadata(std::span<const std::uint8_t> head, const std::string& extension);

// The same for the file at `path`, with its modification time. Nothing when it cannot be read.
[[nodiscard]] PictureMetadata ReadPictureMetadata(const std::string& path);

// The default-language text of dc:description in an XMP packet, entities resolved, as stored
// (not yet put on one line); empty when there is none.
[[nodiscard]] std::string XmpDescription(std::string_view packet);

// A description as a caption shows it: bytes that are not UTF-8 read as Latin-1, line breaks and
// runs of blanks made one space, trimmed, cut at kMaxExifText bytes; empty for the stock texts that
// some cameras write into every photo.
[[nodiscard]] std::string CaptionLine(std::string_view text);

}  // namespace qel::imaging
