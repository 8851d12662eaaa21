#pragma once
// The records of one archive: an entry's header values (written into its local header and, at the
// end, its central directory header) and the end record.

#include <cstdint>
#include <string>
#include <vector>

#include "zip/zipformat.h"

namespace qel::zip {

struct TZipHeaderInfo {
    std::uint16_t VersionMadeBy = kVersionMadeBy;
    std::uint16_t VersionNeeded = kVersionNeeded;
    std::uint16_t Flags = 0;
    std::uint16_t Method = kMethodDeflated;
    std::uint32_t DosDateTime = 0;  // DOS date in the high 16 bits, DOS time in the low 16
    std::uint32_t Crc32 = 0;
    std::uint32_t CompressedSize = 0;
    std::uint32_t UncompressedSize = 0;
    std::uint16_t CentralExtraLength = 0;
    std::uint16_t LocalExtraLength = 0;
    std::uint16_t CommentLength = 0;
    std::uint16_t DiskNumberStart = 0;
    std::uint16_t InternalAttributes = 0;
    std::uint32_t ExternalAttributes = kAttrArchive;
    std::uint32_t LocalHeaderOffset = 0;
    std::string FileName;  // bytes as written
    std::string Folder;    // folder part (with its trailing "/"), written before FileName

    [[nodiscard]] std::string FullName() const { return Folder + FileName; }
};

struct TEndCentral {
    std::uint32_t Signature = kEndSignature;
    std::uint16_t ThisDisk = 0;
    std::uint16_t CentralDisk = 0;
    std::uint16_t EntriesOnDisk = 0;
    std::uint16_t TotalEntries = 0;
    std::uint32_t CentralSize = 0;
    std::uint32_t CentralOffset = 0;
    std::string Comment;
};

// Local header and name: kLocalHeaderSize + name bytes.
[[nodiscard]] std::vector<std::uint8_t> LocalHeaderBytes(const TZipHeaderInfo& h);
// Central directory header and name: kCentralHeaderSize + name bytes.
[[nodiscard]] std::vector<std::uint8_t> CentralHeaderBytes(const TZipHeaderInfo& h);
[[nodiscard]] std::vector<std::uint8_t> EndRecordBytes(const TEndCentral& e);

// DOS date and time of a moment in local time (2-second steps), kept to the years 1980..2107 the
// format can hold. Returned as date << 16 | time.
[[nodiscard]] std::uint32_t DosDateTime(std::int64_t unixSeconds);

}  // namespace qel::zip
