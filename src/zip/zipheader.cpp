#include "zip/zipheader.h"

#include <algorithm>
#include <ctime>

namespace qel::zip {
namespace {

// year kDosFirstYear..kDosLastYear; seconds are kept in 2-second steps.
std::uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second)
{
    const auto date =
        static_cast<std::uint32_t>((year - kDosFirstYear) << kDosYearShift | month << kDosMonthShift | day);
    const auto time = static_cast<std::uint32_t>(hour << kDosHourShift | minute << kDosMinuteShift | second / 2);
    return date << kDosDateShift | time;
}

}  // namespace

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
    PutLE16(p + kLocalDate, static_cast<std::uint16_t>(h.DosDateTime >> kDosDateShift));
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
    PutLE16(p + kCentralDate, static_cast<std::uint16_t>(h.DosDateTime >> kDosDateShift));
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
    const int year = localtime_r(&t, &tm) ? tm.tm_year + 1900 : kDosFirstYear - 1;
    if (year < kDosFirstYear)
        return PackDosDateTime(kDosFirstYear, 1, 1, 0, 0, 0);
    if (year > kDosLastYear)
        return PackDosDateTime(kDosLastYear, 12, 31, 23, 59, 58);
    // A leap second is taken as the second before it.
    return PackDosDateTime(year, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59));
}

}  // namespace qel::zip
