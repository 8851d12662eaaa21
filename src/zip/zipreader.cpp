#include "zip/zipreader.h"

#include <algorithm>
#include <array>

#include <zlib.h>

#include "zip/entryname.h"
#include "zip/zipformat.h"

namespace qel::zip {
namespace {

constexpr std::size_t kPiece = 65536;             // bytes read or produced at a time
constexpr std::uint16_t kFlagEncrypted = 0x0001;  // general purpose bit 0
constexpr std::size_t kMaxCommentLength = 0xFFFF;
constexpr std::uint16_t kDiskZip64 = 0xFFFF;

}  // namespace

ZipReader::ZipReader(const ByteSource& source, const ZipLimits& limits) : source_(source), limits_(limits)
{
    ReadCentralDirectory(FindEndRecord());
    CheckLayout();
}

void ZipReader::Fail(const std::string& what) const
{
    throw ZipReadError(source_.Name() + ": " + what);
}

// The end record is the last record; a comment (up to 64 KiB) may follow it. The last signature whose
// comment length reaches exactly to the end of the archive is taken.
std::uint64_t ZipReader::FindEndRecord() const
{
    const std::uint64_t size = source_.Size();
    if (size < kEndRecordSize)
        Fail("not a zip archive (too short)");
    const std::uint64_t span = std::min<std::uint64_t>(size, kEndRecordSize + kMaxCommentLength);
    std::vector<std::uint8_t> tail(span);
    source_.ReadAt(size - span, tail.data(), tail.size());
    for (std::size_t i = tail.size() - kEndRecordSize + 1; i-- > 0;) {
        const std::uint8_t* p = tail.data() + i;
        if (GetLE32(p) != kEndSignature)
            continue;
        if (i + kEndRecordSize + GetLE16(p + kEndCommentLength) == tail.size())
            return size - span + i;
    }
    Fail("not a zip archive (no end of central directory record)");
}

void ZipReader::ReadCentralDirectory(std::uint64_t endOffset)
{
    std::array<std::uint8_t, kEndRecordSize> end{};
    source_.ReadAt(endOffset, end.data(), end.size());
    const std::uint16_t thisDisk = GetLE16(end.data() + kEndThisDisk);
    const std::uint16_t centralDisk = GetLE16(end.data() + kEndCentralDisk);
    const std::uint16_t onDisk = GetLE16(end.data() + kEndEntriesOnDisk);
    const std::uint16_t total = GetLE16(end.data() + kEndTotalEntries);
    const std::uint32_t centralSize = GetLE32(end.data() + kEndCentralSize);
    const std::uint32_t centralOffset = GetLE32(end.data() + kEndCentralOffset);
    if (thisDisk == kDiskZip64 || total == 0xFFFF || centralOffset == kMaxSize32)
        Fail("ZIP64 archives are not supported");
    if (thisDisk != 0 || centralDisk != 0 || onDisk != total)
        Fail("archives spread over several disks are not supported");
    if (total > limits_.maxEntries)
        Fail("too many entries (" + std::to_string(total) + ")");
    if (std::uint64_t(centralOffset) + centralSize > endOffset)
        Fail("the central directory lies outside the archive");
    if (centralSize > limits_.maxCentralDirectorySize)
        Fail("the central directory is too large");
    if (std::uint64_t(total) * kCentralHeaderSize > centralSize)
        Fail("the central directory is shorter than its entries");

    std::vector<std::uint8_t> dir(centralSize);
    source_.ReadAt(centralOffset, dir.data(), dir.size());
    std::size_t pos = 0;
    entries_.reserve(total);
    for (std::size_t i = 0; i < total; ++i) {
        if (dir.size() - pos < kCentralHeaderSize)
            Fail("the central directory is cut short");
        const std::uint8_t* p = dir.data() + pos;
        if (GetLE32(p) != kCentralSignature)
            Fail("damaged central directory (entry " + std::to_string(i + 1) + ")");
        const std::size_t nameLength = GetLE16(p + kCentralNameLength);
        const std::size_t extra = GetLE16(p + kCentralExtraLength);
        const std::size_t comment = GetLE16(p + kCentralCommentLength);
        const std::size_t recordSize = kCentralHeaderSize + nameLength + extra + comment;
        if (dir.size() - pos < recordSize)
            Fail("the central directory is cut short");
        ZipEntry e;
        e.flags = GetLE16(p + kCentralFlags);
        e.method = GetLE16(p + kCentralMethod);
        e.dosDateTime = std::uint32_t(GetLE16(p + kCentralDate)) << kDosDateShift | GetLE16(p + kCentralTime);
        e.crc = GetLE32(p + kCentralCrc);
        e.compressedSize = GetLE32(p + kCentralCompressedSize);
        e.uncompressedSize = GetLE32(p + kCentralUncompressedSize);
        e.internalAttributes = GetLE16(p + kCentralInternalAttributes);
        e.externalAttributes = GetLE32(p + kCentralExternalAttributes);
        e.localHeaderOffset = GetLE32(p + kCentralLocalOffset);
        e.rawName.assign(reinterpret_cast<const char*>(p + kCentralHeaderSize), nameLength);
        e.name = (e.flags & kFlagUtf8Name) ? e.rawName : Cp437ToUtf8(e.rawName);
        const std::string which = "entry \"" + e.name + "\"";
        if (GetLE16(p + kCentralDiskStart) != 0)
            Fail(which + " lies on another disk");
        if (e.flags & kFlagEncrypted)
            Fail(which + " is encrypted");
        if (e.method != kMethodStored && e.method != kMethodDeflated)
            Fail(which + " uses compression method " + std::to_string(e.method) + ", which is not supported");
        if (e.compressedSize == kMaxSize32 || e.uncompressedSize == kMaxSize32 || e.localHeaderOffset == kMaxSize32)
            Fail(which + " needs ZIP64, which is not supported");
        if (e.method == kMethodStored && e.compressedSize != e.uncompressedSize)
            Fail(which + " is stored, but its two sizes differ");
        if (e.uncompressedSize > limits_.maxEntrySize)
            Fail(which + " is too large (" + std::to_string(e.uncompressedSize) + " bytes)");
        totalSize_ += e.uncompressedSize;
        if (totalSize_ > limits_.maxTotalSize)
            Fail("the entries together are too large (over " + std::to_string(limits_.maxTotalSize) + " bytes)");
        CheckLocalHeader(e, centralOffset);
        entries_.push_back(std::move(e));
        pos += recordSize;
    }
}

// The local header must agree with the central one, and the data must end before the directory.
void ZipReader::CheckLocalHeader(ZipEntry& e, std::uint64_t centralOffset) const
{
    const std::string which = "entry \"" + e.name + "\"";
    if (std::uint64_t(e.localHeaderOffset) + kLocalHeaderSize > centralOffset)
        Fail(which + " lies outside the archive's data");
    std::array<std::uint8_t, kLocalHeaderSize> h{};
    source_.ReadAt(e.localHeaderOffset, h.data(), h.size());
    if (GetLE32(h.data()) != kLocalSignature)
        Fail(which + ": damaged local header");
    const std::size_t nameLength = GetLE16(h.data() + kLocalNameLength);
    const std::size_t extra = GetLE16(h.data() + kLocalExtraLength);
    if (nameLength != e.rawName.size() || GetLE16(h.data() + kLocalMethod) != e.method)
        Fail(which + ": the local header disagrees with the central directory");
    const std::uint64_t nameOffset = std::uint64_t(e.localHeaderOffset) + kLocalHeaderSize;
    if (nameOffset + nameLength + extra > centralOffset)
        Fail(which + " lies outside the archive's data");
    std::string localName(nameLength, '\0');
    source_.ReadAt(nameOffset, reinterpret_cast<std::uint8_t*>(localName.data()), nameLength);
    if (localName != e.rawName)
        Fail(which + ": the local header names another file");
    // Without a data descriptor (flag bit 3) the local header carries the real CRC and sizes.
    constexpr std::uint16_t kFlagDescriptor = 0x0008;
    if (!(e.flags & kFlagDescriptor) &&
        (GetLE32(h.data() + kLocalCrc) != e.crc || GetLE32(h.data() + kLocalCompressedSize) != e.compressedSize ||
         GetLE32(h.data() + kLocalUncompressedSize) != e.uncompressedSize))
        Fail(which + ": the local header disagrees with the central directory");
    e.dataOffset = nameOffset + nameLength + extra;
    if (e.dataOffset + e.compressedSize > centralOffset)
        Fail(which + " lies outside the archive's data");
}

// Two entries sharing bytes is how some archives make a few kilobytes unpack to terabytes.
void ZipReader::CheckLayout() const
{
    std::vector<const ZipEntry*> byOffset;
    byOffset.reserve(entries_.size());
    for (const ZipEntry& e : entries_)
        byOffset.push_back(&e);
    std::sort(byOffset.begin(), byOffset.end(),
              [](const ZipEntry* a, const ZipEntry* b) { return a->localHeaderOffset < b->localHeaderOffset; });
    for (std::size_t i = 1; i < byOffset.size(); ++i) {
        if (byOffset[i - 1]->dataOffset + byOffset[i - 1]->compressedSize > byOffset[i]->localHeaderOffset)
            Fail("entries \"" + byOffset[i - 1]->name + "\" and \"" + byOffset[i]->name + "\" overlap");
    }
}

void ZipReader::Extract(const ZipEntry& e, const Consumer& out) const
{
    const std::string which = "entry \"" + e.name + "\"";
    std::vector<std::uint8_t> in(kPiece);
    uLong crc = crc32_z(0, nullptr, 0);
    std::uint64_t produced = 0;
    std::uint64_t offset = e.dataOffset;
    std::uint64_t left = e.compressedSize;

    if (e.method == kMethodStored) {
        while (left > 0) {
            const std::size_t n = std::size_t(std::min<std::uint64_t>(left, in.size()));
            source_.ReadAt(offset, in.data(), n);
            crc = crc32_z(crc, in.data(), n);
            out(in.data(), n);
            offset += n;
            left -= n;
        }
        produced = e.compressedSize;
    } else {
        z_stream z{};
        if (inflateInit2(&z, -kWindowBits) != Z_OK)
            Fail("not enough memory to unpack " + which);
        struct Ender {
            z_stream& z;
            ~Ender() { inflateEnd(&z); }
        } ender{z};
        std::vector<std::uint8_t> buffer(kPiece);
        bool ended = false;
        while (!ended) {
            if (z.avail_in == 0) {
                if (left == 0)
                    Fail(which + " is damaged (its data ends too early)");
                const std::size_t n = std::size_t(std::min<std::uint64_t>(left, in.size()));
                source_.ReadAt(offset, in.data(), n);
                offset += n;
                left -= n;
                z.next_in = in.data();
                z.avail_in = uInt(n);
            }
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            const int rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
                Fail(which + " is damaged (" + (z.msg ? z.msg : "cannot be unpacked") + ")");
            const std::size_t n = buffer.size() - z.avail_out;
            produced += n;
            if (produced > e.uncompressedSize)
                Fail(which + " unpacks to more bytes than it declares");
            crc = crc32_z(crc, buffer.data(), n);
            if (n > 0)
                out(buffer.data(), n);
            ended = rc == Z_STREAM_END;
            if (rc == Z_BUF_ERROR && z.avail_in != 0 && n == 0)
                Fail(which + " is damaged (cannot be unpacked)");
        }
    }
    if (produced != e.uncompressedSize)
        Fail(which + " unpacks to fewer bytes than it declares");
    if (std::uint32_t(crc) != e.crc)
        Fail(which + " is damaged (wrong CRC)");
}

}  // namespace qel::zip
