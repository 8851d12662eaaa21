#pragma once
// The byte layout of the archives we write: every signature, record size, field offset and limit in
// one place. All numbers are little-endian; records are put together byte by byte with PutLE16/PutLE32,
// never by copying a struct, so padding and host byte order cannot leak into a file.

#include <cstddef>
#include <cstdint>

namespace qel::zip {

// Local file header (followed by the name, then the entry's data; no data descriptor).
inline constexpr std::uint32_t kLocalSignature = 0x04034B50;
inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kLocalVersionNeeded = 4;
inline constexpr std::size_t kLocalFlags = 6;
inline constexpr std::size_t kLocalMethod = 8;
inline constexpr std::size_t kLocalTime = 10;
inline constexpr std::size_t kLocalDate = 12;
inline constexpr std::size_t kLocalCrc = 14;
inline constexpr std::size_t kLocalCompressedSize = 18;
inline constexpr std::size_t kLocalUncompressedSize = 22;
inline constexpr std::size_t kLocalNameLength = 26;
inline constexpr std::size_t kLocalExtraLength = 28;

// Central directory header (followed by the name).
inline constexpr std::uint32_t kCentralSignature = 0x02014B50;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kCentralVersionMadeBy = 4;
inline constexpr std::size_t kCentralVersionNeeded = 6;
inline constexpr std::size_t kCentralFlags = 8;
inline constexpr std::size_t kCentralMethod = 10;
inline constexpr std::size_t kCentralTime = 12;
inline constexpr std::size_t kCentralDate = 14;
inline constexpr std::size_t kCentralCrc = 16;
inline constexpr std::size_t kCentralCompressedSize = 20;
inline constexpr std::size_t kCentralUncompressedSize = 24;
inline constexpr std::size_t kCentralNameLength = 28;
inline constexpr std::size_t kCentralExtraLength = 30;
inline constexpr std::size_t kCentralCommentLength = 32;
inline constexpr std::size_t kCentralDiskStart = 34;
inline constexpr std::size_t kCentralInternalAttributes = 36;
inline constexpr std::size_t kCentralExternalAttributes = 38;
inline constexpr std::size_t kCentralLocalOffset = 42;

// End of central directory record (no comment).
inline constexpr std::uint32_t kEndSignature = 0x06054B50;
inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kEndThisDisk = 4;
inline constexpr std::size_t kEndCentralDisk = 6;
inline constexpr std::size_t kEndEntriesOnDisk = 8;
inline constexpr std::size_t kEndTotalEntries = 10;
inline constexpr std::size_t kEndCentralSize = 12;
inline constexpr std::size_t kEndCentralOffset = 16;
inline constexpr std::size_t kEndCommentLength = 20;

// Field values.
inline constexpr std::uint16_t kVersionMadeBy = 20;  // host 0 (attributes in the low byte), version 2.0
// An executable file: host 3 (Unix), whose mode stands in the high 16 bits of the external attributes,
// so that unpacking restores the execute bits; the low byte keeps the attribute bits below.
inline constexpr std::uint16_t kHostUnix = 3;
inline constexpr std::uint16_t kVersionMadeByUnix = (kHostUnix << 8) | kVersionMadeBy;
inline constexpr int kUnixModeShift = 16;
inline constexpr std::uint16_t kVersionNeeded = 20;
inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;
inline constexpr std::uint16_t kFlagMaximum = 0x0002;   // levels kMaximumFlagLevel and up
inline constexpr std::uint16_t kFlagFast = 0x0004;      // levels 1 to kFastFlagLevel
inline constexpr std::uint16_t kFlagUtf8Name = 0x0800;  // the name is UTF-8, not code page 437
inline constexpr int kMaxPackLevel = 9;                 // 0 stores, 1..9 are Deflate levels
inline constexpr int kMaximumFlagLevel = 8;
inline constexpr int kFastFlagLevel = 2;
inline constexpr std::uint16_t kInternalText = 1;
inline constexpr std::uint16_t kInternalBinary = 0;

// Attribute bits of the external attributes (host 0).
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrArchive = 0x20;

// DOS date and time: the date in the high half of a 32-bit value, the time in the low half.
inline constexpr int kDosDateShift = 16;
inline constexpr int kDosFirstYear = 1980;  // the year counts from here, in 7 bits
inline constexpr int kDosLastYear = kDosFirstYear + 127;
inline constexpr int kDosYearShift = 9;  // date: year 15..9, month 8..5, day 4..0
inline constexpr int kDosMonthShift = 5;
inline constexpr int kDosHourShift = 11;  // time: hour 15..11, minute 10..5, second / 2 4..0
inline constexpr int kDosMinuteShift = 5;

// Limits of the 32-bit format.
inline constexpr std::uint64_t kMaxSize32 = 0xFFFFFFFFu;  // largest size or offset a field holds
inline constexpr std::size_t kMaxEntries = 0xFFFF;
inline constexpr std::size_t kMaxNameLength = 0xFFFF;

// Writing.
inline constexpr std::size_t kOutputBufferSize = 8192;  // the archive is written through this buffer
inline constexpr std::size_t kStoredPiece = 32768;      // stored files are copied in these pieces
// The compressor's "first block": a file no longer than this is compressed in one go and stored
// instead when that does not make it smaller; the text mark counts the bytes of this block.
inline constexpr std::size_t kFirstBlockSize = 65536;
// A byte from kTextByteFirst to kTextByteLast counts as text; the entry is marked text when there are
// no more other bytes than the text bytes divided by kTextShare.
inline constexpr std::uint8_t kTextByteFirst = 7;
inline constexpr std::uint8_t kTextByteLast = 127;
inline constexpr std::size_t kTextShare = 4;
inline constexpr int kWindowBits = 15;
inline constexpr int kMemoryLevel = 8;

inline void PutLE16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutLE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline std::uint16_t GetLE16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t GetLE32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace qel::zip
