#include "zipreadback.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <zlib.h>

#include "zip/zipformat.h"

namespace qel::zip::test {
namespace {

void Require(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what);
}

std::vector<std::uint8_t> Inflate(const std::uint8_t* p, std::size_t n, std::size_t expected)
{
    std::vector<std::uint8_t> out(expected + 1);
    z_stream zs{};
    Require(inflateInit2(&zs, -15) == Z_OK, "inflateInit2");
    zs.next_in = const_cast<Bytef*>(p);
    zs.avail_in = static_cast<uInt>(n);
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&zs, Z_FINISH);
    std::size_t produced = out.size() - zs.avail_out;
    std::size_t unused = zs.avail_in;
    inflateEnd(&zs);
    Require(rc == Z_STREAM_END, "deflate stream does not end properly");
    Require(unused == 0, "bytes left after the deflate stream");
    Require(produced == expected, "inflated size differs from the header");
    out.resize(produced);
    return out;
}

}  // namespace

std::vector<ReadEntry> ReadBack(const std::vector<std::uint8_t>& a)
{
    Require(a.size() >= kEndRecordSize, "shorter than an end record");
    const std::uint8_t* end = a.data() + a.size() - kEndRecordSize;
    Require(GetLE32(end) == kEndSignature, "no end record at the end");
    Require(GetLE16(end + kEndThisDisk) == 0 && GetLE16(end + kEndCentralDisk) == 0, "disk numbers");
    std::uint16_t count = GetLE16(end + kEndEntriesOnDisk);
    Require(GetLE16(end + kEndTotalEntries) == count, "entry counts differ");
    std::uint32_t cdSize = GetLE32(end + kEndCentralSize);
    std::uint32_t cdOffset = GetLE32(end + kEndCentralOffset);
    Require(GetLE16(end + kEndCommentLength) == 0, "archive comment");
    Require(std::uint64_t{cdOffset} + cdSize == a.size() - kEndRecordSize,
            "central directory not right before the end");

    std::vector<ReadEntry> entries;
    std::size_t pos = cdOffset;
    std::uint64_t expectedLocal = 0;
    for (int i = 0; i < count; ++i) {
        Require(pos + kCentralHeaderSize <= a.size(), "central header past the end");
        const std::uint8_t* c = a.data() + pos;
        Require(GetLE32(c) == kCentralSignature, "central signature");
        ReadEntry e{};
        e.versionMadeBy = GetLE16(c + kCentralVersionMadeBy);
        e.versionNeeded = GetLE16(c + kCentralVersionNeeded);
        e.flags = GetLE16(c + kCentralFlags);
        e.method = GetLE16(c + kCentralMethod);
        e.time = GetLE16(c + kCentralTime);
        e.date = GetLE16(c + kCentralDate);
        e.crc = GetLE32(c + kCentralCrc);
        e.compressedSize = GetLE32(c + kCentralCompressedSize);
        e.uncompressedSize = GetLE32(c + kCentralUncompressedSize);
        std::uint16_t nameLen = GetLE16(c + kCentralNameLength);
        Require(GetLE16(c + kCentralExtraLength) == 0, "central extra field");
        Require(GetLE16(c + kCentralCommentLength) == 0, "file comment");
        Require(GetLE16(c + kCentralDiskStart) == 0, "disk number start");
        e.internalAttributes = GetLE16(c + kCentralInternalAttributes);
        e.externalAttributes = GetLE32(c + kCentralExternalAttributes);
        e.localOffset = GetLE32(c + kCentralLocalOffset);
        Require(pos + kCentralHeaderSize + nameLen <= a.size(), "central name past the end");
        e.name.assign(reinterpret_cast<const char*>(c + kCentralHeaderSize), nameLen);
        pos += kCentralHeaderSize + nameLen;

        // The local header: same values, right where the previous entry ended.
        Require(e.localOffset == expectedLocal, "gap or overlap before local header of " + e.name);
        Require(e.localOffset + kLocalHeaderSize <= a.size(), "local header past the end");
        const std::uint8_t* l = a.data() + e.localOffset;
        Require(GetLE32(l) == kLocalSignature, "local signature of " + e.name);
        Require(GetLE16(l + kLocalVersionNeeded) == e.versionNeeded, "local version of " + e.name);
        Require(GetLE16(l + kLocalFlags) == e.flags, "local flags of " + e.name);
        Require(GetLE16(l + kLocalMethod) == e.method, "local method of " + e.name);
        Require(GetLE16(l + kLocalTime) == e.time && GetLE16(l + kLocalDate) == e.date, "local time of " + e.name);
        Require(GetLE32(l + kLocalCrc) == e.crc, "local CRC of " + e.name);
        Require(GetLE32(l + kLocalCompressedSize) == e.compressedSize, "local compressed size of " + e.name);
        Require(GetLE32(l + kLocalUncompressedSize) == e.uncompressedSize, "local size of " + e.name);
        Require(GetLE16(l + kLocalNameLength) == nameLen, "local name length of " + e.name);
        Require(GetLE16(l + kLocalExtraLength) == 0, "local extra field of " + e.name);
        Require(std::string(reinterpret_cast<const char*>(l + kLocalHeaderSize), nameLen) == e.name,
                "local name of " + e.name);
        Require((e.flags & 0x0008) == 0, "data descriptor flag");

        std::uint64_t dataStart = e.localOffset + kLocalHeaderSize + nameLen;
        Require(dataStart + e.compressedSize <= cdOffset, "entry data runs into the central directory");
        const std::uint8_t* d = a.data() + dataStart;
        if (e.method == kMethodStored) {
            Require(e.compressedSize == e.uncompressedSize, "stored sizes differ for " + e.name);
            e.data.assign(d, d + e.compressedSize);
        } else {
            Require(e.method == kMethodDeflated, "unknown method for " + e.name);
            e.data = Inflate(d, e.compressedSize, e.uncompressedSize);
        }
        Require(e.data.size() == e.uncompressedSize, "size of " + e.name);
        uLong crc = crc32_z(0, e.data.data(), e.data.size());
        Require(crc == e.crc, "CRC of " + e.name);
        expectedLocal = dataStart + e.compressedSize;
        entries.push_back(std::move(e));
    }
    Require(expectedLocal == cdOffset, "gap before the central directory");
    Require(pos == std::size_t{cdOffset} + cdSize, "central directory size");
    return entries;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    Require(in.good(), "cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    Require(out.good(), "cannot write " + path);
}

void WriteFileText(const std::string& path, const std::string& text)
{
    WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool UnzipTestPasses(const std::string& path)
{
    if (std::system("command -v unzip >/dev/null 2>&1") != 0)
        return true;
    std::string cmd = "unzip -tqq '" + path + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace qel::zip::test
