// The zip reader: what the writer writes comes back byte for byte, and a damaged or hostile archive
// is refused with an error (never a crash, never more bytes than an entry declares).

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "zip/bytesource.h"
#include "zip/zipformat.h"
#include "zip/zipreader.h"
#include "zip/zipwriter.h"
#include "zipreadback.h"

namespace qel::zip {
namespace {
namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

std::string ExtractAll(const ZipReader& reader, const ZipEntry& e)
{
    std::string out;
    reader.Extract(e, [&](const std::uint8_t* p, std::size_t n) { out.append(reinterpret_cast<const char*>(p), n); });
    return out;
}

class ZipReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // An archive of three files: text (deflated), random bytes (stored by the writer's fallback) and
    // an empty file, the first named outside ASCII.
    Bytes Sample()
    {
        std::mt19937 rng(7);
        std::string noise(3000, '\0');
        for (char& c : noise)
            c = char(rng());
        std::string text;
        while (text.size() < 200000)
            text += "pictures and music in a slideshow ";
        contents_ = {text, noise, ""};
        test::WriteFileText(Path("caf\xc3\xa9.txt"), contents_[0]);
        test::WriteFileText(Path("noise.bin"), contents_[1]);
        test::WriteFileText(Path("empty"), contents_[2]);
        TZipWriter w;
        w.PackLevel = 8;
        w.FilesList = {Path("caf\xc3\xa9.txt"), Path("noise.bin"), Path("empty")};
        MemorySink sink;
        w.Zip(sink);
        return sink.Bytes();
    }

    fs::path dir_;
    std::vector<std::string> contents_;
};

TEST_F(ZipReaderTest, WhatTheWriterWroteComesBack)
{
    const Bytes archive = Sample();
    const MemorySource source(archive, "sample.zip");
    const ZipReader reader(source);
    ASSERT_EQ(reader.Entries().size(), 3u);
    EXPECT_EQ(reader.Entries()[0].name, "caf\xc3\xa9.txt") << "a code page 437 name is read back as UTF-8";
    EXPECT_EQ(reader.Entries()[0].method, kMethodDeflated);
    EXPECT_EQ(reader.Entries()[1].method, kMethodStored);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(ExtractAll(reader, reader.Entries()[i]), contents_[i]) << reader.Entries()[i].name;
    EXPECT_EQ(reader.TotalUncompressedSize(), contents_[0].size() + contents_[1].size());
}

// Each mutation of a sound archive must be refused when it is read or when its data is unpacked.
TEST_F(ZipReaderTest, DamagedAndHostileArchivesAreRefused)
{
    const Bytes good = Sample();
    const std::size_t end = good.size() - kEndRecordSize;
    const std::size_t central = GetLE32(good.data() + end + kEndCentralOffset);
    const std::size_t firstName = GetLE16(good.data() + kLocalNameLength);
    const std::size_t secondCentral = central + kCentralHeaderSize + firstName;
    const std::size_t secondLocal = GetLE32(good.data() + secondCentral + kCentralLocalOffset);
    const std::size_t secondName = GetLE16(good.data() + secondCentral + kCentralNameLength);
    const std::size_t firstData = kLocalHeaderSize + firstName;

    struct Case {
        const char* what;
        std::function<void(Bytes&)> mutate;
    };
    const std::vector<Case> cases = {
        {"cut short", [](Bytes& b) { b.resize(b.size() / 2); }},
        {"no end record", [&](Bytes& b) { b[end] = 0; }},
        {"directory past the end", [&](Bytes& b) { PutLE32(b.data() + end + kEndCentralOffset, 0x7FFFFFF0); }},
        {"more entries than the directory holds",
         [&](Bytes& b) {
             PutLE16(b.data() + end + kEndEntriesOnDisk, 500);
             PutLE16(b.data() + end + kEndTotalEntries, 500);
         }},
        {"several disks", [&](Bytes& b) { PutLE16(b.data() + end + kEndThisDisk, 1); }},
        {"damaged data", [&](Bytes& b) { b[firstData + 20] ^= 0x55; }},
        {"wrong CRC",
         [&](Bytes& b) {
             b[central + kCentralCrc] ^= 1;
             b[kLocalCrc] ^= 1;
         }},
        {"declares fewer bytes than it unpacks to",
         [&](Bytes& b) {
             PutLE32(b.data() + central + kCentralUncompressedSize, 100);
             PutLE32(b.data() + kLocalUncompressedSize, 100);
         }},
        {"local header disagrees", [&](Bytes& b) { PutLE32(b.data() + kLocalCompressedSize, 1); }},
        {"encrypted",
         [&](Bytes& b) {
             b[central + kCentralFlags] |= 1;
             b[kLocalFlags] |= 1;
         }},
        {"unknown method",
         [&](Bytes& b) {
             PutLE16(b.data() + central + kCentralMethod, 12);
             PutLE16(b.data() + kLocalMethod, 12);
         }},
        {"second entry starts inside the first",
         [&](Bytes& b) {
             // Point the second entry at a copy of its header placed inside the first one's data.
             std::copy_n(good.begin() + long(secondLocal), kLocalHeaderSize + secondName, b.begin() + long(firstData));
             PutLE32(b.data() + secondCentral + kCentralLocalOffset, std::uint32_t(firstData));
         }},
        {"ZIP64", [&](Bytes& b) { PutLE32(b.data() + central + kCentralCompressedSize, 0xFFFFFFFF); }},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        c.mutate(bad);
        const MemorySource source(bad, "bad.zip");
        EXPECT_ANY_THROW({
            const ZipReader reader(source);
            for (const ZipEntry& e : reader.Entries())
                ExtractAll(reader, e);
        }) << c.what;
    }
}

TEST_F(ZipReaderTest, LimitsAreKeptBeforeAnythingIsUnpacked)
{
    const Bytes archive = Sample();
    const MemorySource source(archive, "sample.zip");
    ZipLimits fewEntries;
    fewEntries.maxEntries = 2;
    EXPECT_THROW(ZipReader(source, fewEntries), ZipReadError);
    ZipLimits small;
    small.maxTotalSize = 100000;
    EXPECT_THROW(ZipReader(source, small), ZipReadError);
}

}  // namespace
}  // namespace qel::zip
