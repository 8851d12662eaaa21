#include "zip/zipheader.h"

#include <algorithm>
#include <ctime>

namespace qel::zip {

std::vector<std::uint8_t> LocalHeaderBytes(const TZipHeaderInfo& h)
{
    const std::string name = h.FullName();
    std::vector<std::uint8_t> b(kLocalHeaderSize + name.size());
    std::uint8_t* p = b.data();
    PutLE32(p, kLocalSignature);
    PutLE16(p + kLocalVersionNeeded, h.VersionNeeded);
    PutLE16(p + kLocalFlags, h.Flags);
    PutLE16(p + kLocalMethod, h.Method);
    PutLE16(p + kLocalTime, static_cast<std::uint16_t>(h.DosDateTime));
    PutLE16(p + kLocalDate, static_cast<std::uint16_t>(h.DosDateTime >> 16));
    PutLE32(p + kLocalCrc, h.Crc32);
    PutLE32(p + kLocalCompressedSize, h.CompressedSize);
    PutLE32(p + kLocalUncompressedSize, h.UncompressedSize);
    PutLE16(p + kLocalNameLength, static_cast<std::uint16_t>(name.size()));
    PutLE16(p + kLocalExtraLength, h.LocalExtraLength);
    std::copy(name.begin(), name.end(), p + kLocalHeaderSize);
    return b;
}

std::vector<std::uint8_t> CentralHeaderBytes(const TZipHeaderInfo& h)
{
    const std::string name = h.FullName();
    std::vector<std::uint8_t> b(kCentralHeaderSize + name.size());
    std::uint8_t* p = b.data();
    PutLE32(p, kCentralSignature);
    PutLE16(p + kCentralVersionMadeBy, h.VersionMadeBy);
    PutLE16(p + kCentralVersionNeeded, h.VersionNeeded);
    PutLE16(p + kCentralFlags, h.Flags);
    PutLE16(p + kCentralMethod, h.Method);
    PutLE16(p + kCentralTime, static_cast<std::uint16_t>(h.DosDateTime));
    PutLE16(p + kCentralDate, static_cast<std::uint16_t>(h.DosDateTime >> 16));
    PutLE32(p + kCentralCrc, h.Crc32);
    PutLE32(p + kCentralCompressedSize, h.CompressedSize);
    PutLE32(p + kCentralUncompressedSize, h.UncompressedSize);
    PutLE16(p + kCentralNameLength, static_cast<std::uint16_t>(name.size()));
    PutLE16(p + kCentralExtraLength, h.CentralExtraLength);
    PutLE16(p + kCentralCommentLength, h.CommentLength);
    PutLE16(p + kCentralDiskStart, h.DiskNumberStart);
    PutLE16(p + kCentralInternalAttributes, h.InternalAttributes);
    PutLE32(p + kCentralExternalAttributes, h.ExternalAttributes);
    PutLE32(p + kCentralLocalOffset, h.LocalHeaderOffset);
    std::copy(name.begin(), name.end(), p + kCentralHeaderSize);
    return b;
}

std::vector<std::uint8_t> EndRecordBytes(const TEndCentral& e)
{
    std::vector<std::uint8_t> b(kEndRecordSize + e.Comment.size());
    std::uint8_t* p = b.data();
    PutLE32(p, e.Signature);
    PutLE16(p + kEndThisDisk, e.ThisDisk);
    PutLE16(p + kEndCentralDisk, e.CentralDisk);
    PutLE16(p + kEndEntriesOnDisk, e.EntriesOnDisk);
    PutLE16(p + kEndTotalEntries, e.TotalEntries);
    PutLE32(p + kEndCentralSize, e.CentralSize);
    PutLE32(p + kEndCentralOffset, e.CentralOffset);
    PutLE16(p + kEndCommentLength, static_cast<std::uint16_t>(e.Comment.size()));
    std::copy(e.Comment.begin(), e.Comment.end(), p + kEndRecordSize);
    return b;
}

std::uint32_t DosDateTime(std::int64_t unixSeconds)
{
    std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm) || tm.tm_year < 80)
        return (0u << 25 | 1u << 21 | 1u << 16);   // 1980-01-01 00:00:00
    if (tm.tm_year > 80 + 127)
        return (127u << 25 | 12u << 21 | 31u << 16 | 23u << 11 | 59u << 5 | 29u);   // 2107-12-31 23:59:58
    auto date = static_cast<std::uint32_t>((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
    auto time = static_cast<std::uint32_t>(tm.tm_hour << 11 | tm.tm_min << 5 | (std::min(tm.tm_sec, 59) / 2));
    return date << 16 | time;
}

}  // namespace qel::zip
