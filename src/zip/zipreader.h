#pragma once
// Reading a zip archive that may be damaged or built to do harm. Everything is checked before any
// entry is handed out: the end record, every central directory header, every local header and the
// place of every entry's data (inside the archive, before the central directory, not overlapping
// another entry). Extract then inflates one entry in bounded pieces, never producing more bytes than
// the entry declares, and checks its size and CRC-32 at the end.
//
// Only what our writer produces and what common tools add is read: one disk, stored or deflated
// entries, no encryption, no ZIP64. Anything else is refused with ZipReadError saying what.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "zip/bytesource.h"

namespace qel::zip {

struct ZipReadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ZipLimits {
    std::size_t maxEntries = 0xFFFF;
    std::uint64_t maxEntrySize = 0xFFFFFFFFu;          // uncompressed bytes of one entry
    std::uint64_t maxTotalSize = 64ull << 30;          // uncompressed bytes of all entries together
    std::uint64_t maxCentralDirectorySize = 64 << 20;  // the directory is held in memory
};

struct ZipEntry {
    std::string name;     // as a reader shows it: UTF-8 (names in code page 437 converted)
    std::string rawName;  // the bytes stored in the headers
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;
    std::uint64_t dataOffset = 0;  // where the entry's data starts
};

class ZipReader {
public:
    // Reads and checks the directory of the archive in `source`, which must outlive the reader.
    // Throws ZipReadError (or ReadError) naming the archive and what is wrong.
    explicit ZipReader(const ByteSource& source, const ZipLimits& limits = {});

    [[nodiscard]] const std::vector<ZipEntry>& Entries() const { return entries_; }
    [[nodiscard]] std::uint64_t TotalUncompressedSize() const { return totalSize_; }

    using Consumer = std::function<void(const std::uint8_t* data, std::size_t n)>;
    // Hands the entry's bytes to `out` in pieces of at most 64 KiB, in order. Throws ZipReadError when
    // the data is damaged: not inflatable, longer or shorter than declared, or a wrong CRC. The bytes
    // handed out before such an error must be thrown away by the caller.
    void Extract(const ZipEntry& entry, const Consumer& out) const;

private:
    [[noreturn]] void Fail(const std::string& what) const;
    std::uint64_t FindEndRecord() const;
    void ReadCentralDirectory(std::uint64_t endOffset);
    void CheckLocalHeader(ZipEntry& e, std::uint64_t centralOffset) const;
    void CheckLayout() const;

    const ByteSource& source_;
    ZipLimits limits_;
    std::vector<ZipEntry> entries_;
    std::uint64_t totalSize_ = 0;
};

}  // namespace qel::zip
