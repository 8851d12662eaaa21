#pragma once
// Reads an archive back for the tests: walks the end record, the central directory and every local
// header, checks that they agree field by field and that the records follow each other without gaps,
// inflates every entry with zlib and checks its CRC-32 and sizes. Any disagreement throws
// std::runtime_error saying what is wrong.

#include <cstdint>
#include <string>
#include <vector>

namespace qel::zip::test {

struct ReadEntry {
    std::uint16_t versionMadeBy, versionNeeded, flags, method, time, date;
    std::uint32_t crc, compressedSize, uncompressedSize;
    std::uint16_t internalAttributes;
    std::uint32_t externalAttributes, localOffset;
    std::string name;                // bytes as stored
    std::vector<std::uint8_t> data;  // uncompressed
};

std::vector<ReadEntry> ReadBack(const std::vector<std::uint8_t>& archive);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFileText(const std::string& path, const std::string& text);

// "unzip -tqq" on the archive file: true when it passes, or when unzip is not installed.
bool UnzipTestPasses(const std::string& path);

}  // namespace qel::zip::test
