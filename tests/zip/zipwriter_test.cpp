// The zip writer: every archive written here is read back (local and central headers compared field
// by field, data inflated, CRC checked) and, where unzip is installed, tested by it as well.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "zip/zipformat.h"
#include "zip/zipheader.h"
#include "zip/zipwriter.h"
#include "zipreadback.h"

namespace qel::zip {
namespace {
namespace fs = std::filesystem;
using test::ReadBack;
using test::ReadEntry;
using test::ReadFileBytes;
using test::WriteFileBytes;
using test::WriteFileText;

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<std::uint8_t>(rng());
    return v;
}

std::string Text(std::size_t n)
{
    static const char* words[] = {"picture ", "slideshow ", "music ", "transition ", "saver\n", "colour "};
    std::string s;
    for (std::size_t i = 0; s.size() < n; ++i)
        s += words[(i * 7 + i / 3) % 6];
    s.resize(n);
    return s;
}

class ZipWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("qel-zip-" + std::to_string(getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Writes the archive to a file with writer w and reads it back.
    std::vector<ReadEntry> ZipAndRead(TZipWriter& w, int expectedCount)
    {
        w.ZipName = Path("out.zip");
        EXPECT_EQ(w.Zip(), expectedCount);
        archive_ = ReadFileBytes(w.ZipName);
        EXPECT_TRUE(test::UnzipTestPasses(w.ZipName));
        return ReadBack(archive_);
    }

    fs::path dir_;
    std::vector<std::uint8_t> archive_;
};

TEST_F(ZipWriterTest, EmptyListGivesJustTheEndRecord)
{
    TZipWriter w;
    MemorySink sink;
    EXPECT_EQ(w.Zip(sink), 0);
    const std::vector<std::uint8_t> expected = {0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0,
                                                0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(sink.Bytes(), expected);
}

TEST_F(ZipWriterTest, EmptyFileIsStoredAsTextWithTheLevelFlag)
{
    WriteFileText(Path("empty.txt"), "");
    TZipWriter w;
    w.PackLevel = 8;
    w.FilesList = {Path("empty.txt")};
    auto e = ZipAndRead(w, 1);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].method, kMethodStored);
    EXPECT_EQ(e[0].compressedSize, 0u);
    EXPECT_EQ(e[0].uncompressedSize, 0u);
    EXPECT_EQ(e[0].crc, 0u);
    EXPECT_EQ(e[0].internalAttributes, 1);
    EXPECT_EQ(e[0].flags, 2);
    EXPECT_EQ(archive_.size(), 30 + 9 + 46 + 9 + 22u);
}

TEST_F(ZipWriterTest, EveryHeaderFieldIsWritten)
{
    WriteFileText(Path("notes.txt"), Text(5000));
    // Mid-day local time on a known date, odd seconds (DOS time keeps 2-second steps).
    std::tm tm{};
    tm.tm_year = 2021 - 1900, tm.tm_mon = 6, tm.tm_mday = 14, tm.tm_hour = 13, tm.tm_min = 45, tm.tm_sec = 31;
    tm.tm_isdst = -1;
    auto when = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    fs::last_write_time(Path("notes.txt"), std::chrono::file_clock::from_sys(when));

    TZipWriter w;
    w.PackLevel = 8;
    w.FilesList = {Path("notes.txt")};
    auto e = ZipAndRead(w, 1);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].versionMadeBy, 20);
    EXPECT_EQ(e[0].versionNeeded, 20);
    EXPECT_EQ(e[0].flags, 2);
    EXPECT_EQ(e[0].method, kMethodDeflated);
    EXPECT_EQ(e[0].date, (41 << 9) | (7 << 5) | 14);
    EXPECT_EQ(e[0].time, (13 << 11) | (45 << 5) | 15);
    EXPECT_EQ(e[0].uncompressedSize, 5000u);
    EXPECT_LT(e[0].compressedSize, 1000u);
    EXPECT_EQ(e[0].internalAttributes, 1);
    EXPECT_EQ(e[0].externalAttributes, 0x20u);
    EXPECT_EQ(e[0].localOffset, 0u);
    EXPECT_EQ(e[0].name, "notes.txt");
    EXPECT_EQ(std::string(e[0].data.begin(), e[0].data.end()), Text(5000));
}

TEST(DosDateTime, MomentsOutsideTheYearsItHoldsAreKeptToItsEnds)
{
    // 1970 (files with no real date often carry it) and 2200, in any time zone.
    EXPECT_EQ(DosDateTime(0), (1u << 5 | 1u) << 16);  // 1980-01-01 00:00:00
    EXPECT_EQ(DosDateTime(7258118400), (127u << 9 | 12u << 5 | 31u) << 16 | (23u << 11 | 59u << 5 | 29u));
}

TEST_F(ZipWriterTest, FlagsMethodAndTextMarkFollowTheLevel)
{
    WriteFileText(Path("a.txt"), Text(20000));
    std::vector<std::uint8_t> binary(20000);
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<std::uint8_t>((i % 64) * 4);  // compressible, mostly non-text bytes
    WriteFileBytes(Path("b.bin"), binary);
    const std::uint16_t flags[10] = {0, 4, 4, 0, 0, 0, 0, 0, 2, 2};
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        TZipWriter w;
        w.PackLevel = level;
        w.Threads = 1;
        w.FilesList = {Path("a.txt"), Path("b.bin")};
        auto e = ZipAndRead(w, 2);
        ASSERT_EQ(e.size(), 2u);
        for (const auto& entry : e) {
            EXPECT_EQ(entry.flags, flags[level]);
            EXPECT_EQ(entry.method, level == 0 ? kMethodStored : kMethodDeflated);
        }
        EXPECT_EQ(e[0].internalAttributes, level == 0 ? 0 : 1);
        EXPECT_EQ(e[1].internalAttributes, 0);
        EXPECT_EQ(e[1].data, binary);
    }
}

TEST_F(ZipWriterTest, IncompressibleSmallFileIsStoredButKeepsTheFlag)
{
    auto noise = RandomBytes(3000, 1);
    WriteFileBytes(Path("photo.jpg"), noise);
    auto big = RandomBytes(200000, 2);  // past the first block: stays deflated
    WriteFileBytes(Path("big.jpg"), big);
    TZipWriter w;
    w.PackLevel = 8;
    w.FilesList = {Path("photo.jpg"), Path("big.jpg")};
    auto e = ZipAndRead(w, 2);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].method, kMethodStored);
    EXPECT_EQ(e[0].flags, 2);
    EXPECT_EQ(e[0].compressedSize, 3000u);
    EXPECT_EQ(e[0].internalAttributes, 0);
    EXPECT_EQ(e[0].data, noise);
    EXPECT_EQ(e[1].method, kMethodDeflated);
    EXPECT_EQ(e[1].data, big);
}

TEST_F(ZipWriterTest, DuplicateNamesMissingAndUnreadableFilesAreSkipped)
{
    fs::create_directories(dir_ / "a");
    fs::create_directories(dir_ / "b");
    WriteFileText(Path("a/Sun.jpg"), "first");
    WriteFileText(Path("b/sun.JPG"), "second");
    WriteFileText(Path("b/moon.jpg"), "moon");
    // A file that cannot be opened for reading (root reads past permission bits, so use a
    // write-only kernel setting then).
    std::string unreadable = Path("locked.jpg");
    WriteFileText(unreadable, "locked");
    fs::permissions(unreadable, fs::perms::none);
    if (geteuid() == 0)
        unreadable = "/proc/sys/vm/compact_memory";
    WriteFileText(Path("a/Moon.JPG"), "second moon");

    TZipWriter w;
    w.PackLevel = 8;
    std::vector<std::string> ends;
    w.OnEndZip = [&](TZipWriter&, const std::string& name, std::uint64_t, std::uint64_t, std::uint64_t) {
        ends.push_back(name);
    };
    w.FilesList = {Path("a/Sun.jpg"), Path("missing.jpg"), Path("a"),         unreadable,
                   Path("b/sun.JPG"), Path("b/moon.jpg"),  Path("a/Moon.JPG")};
    auto e = ZipAndRead(w, 2);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].name, "Sun.jpg");
    EXPECT_EQ(std::string(e[0].data.begin(), e[0].data.end()), "first");
    EXPECT_EQ(e[1].name, "moon.jpg");
    EXPECT_EQ(ends, (std::vector<std::string>{Path("a/Sun.jpg"), Path("b/moon.jpg")}));
    EXPECT_TRUE(w.FilesList.empty());
}

TEST_F(ZipWriterTest, AFileThatCannotBeOpenedDoesNotTakeItsNameFromALaterOne)
{
    // A write-only kernel setting cannot be opened for reading, even by root.
    const std::string locked = "/proc/sys/vm/compact_memory";
    if (!fs::is_regular_file(locked))
        GTEST_SKIP() << "no " << locked;
    WriteFileText(Path("compact_memory"), "readable");
    TZipWriter w;
    w.FilesList = {locked, Path("compact_memory")};
    auto e = ZipAndRead(w, 1);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(std::string(e[0].data.begin(), e[0].data.end()), "readable");
}

TEST_F(ZipWriterTest, NamesUseCodePage437OrUtf8)
{
    WriteFileText(Path("café.txt"), "e acute");
    WriteFileText(Path("smørbrød.txt"), "o stroke");
    WriteFileText(Path("smorbrod.txt"), "plain");
    TZipWriter w;
    w.PackLevel = 8;
    w.FilesList = {Path("café.txt"), Path("smørbrød.txt"), Path("smorbrod.txt")};
    auto e = ZipAndRead(w, 3);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].name, "caf\x82.txt");
    EXPECT_EQ(e[0].flags, 2);
    EXPECT_EQ(e[1].name, "smørbrød.txt");
    EXPECT_EQ(e[1].flags, 0x802);
    EXPECT_EQ(e[2].name, "smorbrod.txt");
    EXPECT_EQ(e[2].flags, 2);
}

TEST_F(ZipWriterTest, AttributesReportReadOnlyAndHiddenFiles)
{
    WriteFileText(Path("ro.txt"), "read only");
    fs::permissions(Path("ro.txt"), fs::perms::owner_read | fs::perms::group_read);
    WriteFileText(Path(".hidden"), "hidden");
    TZipWriter w;
    w.FilesList = {Path("ro.txt"), Path(".hidden")};
    auto e = ZipAndRead(w, 2);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].externalAttributes, 0x21u);
    EXPECT_EQ(e[1].externalAttributes, 0x22u);
}

// The output of a shell command, or nullopt when it cannot be run.
std::optional<std::string> CommandOutput(const std::string& cmd)
{
    std::FILE* pipe = ::popen(cmd.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string out;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe))
        out.append(buf, n);
    if (::pclose(pipe) != 0)
        return std::nullopt;
    return out;
}

TEST_F(ZipWriterTest, ExecutablesKeepTheirModeAndOtherFilesTheirBytes)
{
    WriteFileText(Path("setup.run"), "#!/bin/sh\nexit 0\n");
    fs::permissions(Path("setup.run"), static_cast<fs::perms>(0755));
    WriteFileText(Path("tool"), "#!/bin/sh\n");
    fs::permissions(Path("tool"), static_cast<fs::perms>(0500));  // read-only too: the low byte says so
    WriteFileText(Path("notes.txt"), "plain");
    fs::permissions(Path("notes.txt"), static_cast<fs::perms>(0644));
    TZipWriter w;
    w.FilesList = {Path("setup.run"), Path("tool"), Path("notes.txt")};
    auto e = ZipAndRead(w, 3);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].versionMadeBy, 0x0314);
    EXPECT_EQ(e[0].externalAttributes, 0x81ED0020u);  // regular file 0755, archive bit
    EXPECT_EQ(e[1].versionMadeBy, 0x0314);
    EXPECT_EQ(e[1].externalAttributes, 0x81400021u);  // regular file 0500, read-only and archive bits
    EXPECT_EQ(e[2].versionMadeBy, 20);
    EXPECT_EQ(e[2].externalAttributes, 0x20u);

    if (std::system("command -v unzip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Info-ZIP unzip is not installed";
    const auto listing = CommandOutput("unzip -Z '" + w.ZipName + "'");
    ASSERT_TRUE(listing);
    EXPECT_NE(listing->find("-rwxr-xr-x  2.0 unx"), std::string::npos) << *listing;
    EXPECT_NE(listing->find("-r-x------  2.0 unx"), std::string::npos) << *listing;
    EXPECT_NE(listing->find("-rw-a--     2.0 fat"), std::string::npos) << *listing;
    fs::create_directories(dir_ / "unpacked");
    ASSERT_TRUE(CommandOutput("unzip -qq '" + w.ZipName + "' -d '" + Path("unpacked") + "'"));
    EXPECT_EQ(fs::status(Path("unpacked/setup.run")).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
}

TEST_F(ZipWriterTest, ProgressIsReportedAfterEachEntry)
{
    WriteFileText(Path("one.txt"), Text(100000));
    WriteFileBytes(Path("two.bin"), RandomBytes(70000, 3));
    TZipWriter w;
    w.PackLevel = 8;
    int blocks = 0;
    w.DoProcessMessages = [&] { ++blocks; };
    std::vector<std::uint64_t> sizes;
    w.OnEndZip = [&](TZipWriter& sender, const std::string&, std::uint64_t u, std::uint64_t c, std::uint64_t total) {
        EXPECT_EQ(&sender, &w);
        sizes.insert(sizes.end(), {u, c, total});
    };
    w.FilesList = {Path("one.txt"), Path("two.bin")};
    auto e = ZipAndRead(w, 2);
    ASSERT_EQ(sizes.size(), 6u);
    EXPECT_EQ(sizes[0], 100000u);
    EXPECT_EQ(sizes[1], e[0].compressedSize);
    EXPECT_EQ(sizes[2], e[1].localOffset);
    EXPECT_EQ(sizes[3], 70000u);
    EXPECT_EQ(sizes[5], e[1].localOffset + 30 + 7 + e[1].compressedSize);
    EXPECT_GE(blocks, 8);  // at least one per 8192 bytes of entry data
}

TEST_F(ZipWriterTest, HelperThreadsGiveTheSameBytes)
{
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i) {
        std::string base = std::to_string(i);
        base.insert(0, 1, 'f');
        base += i % 2 ? ".txt" : ".bin";
        std::string name = Path(base);
        if (i % 2)
            WriteFileText(name, Text(1000 + 37000 * static_cast<std::size_t>(i)));
        else
            WriteFileBytes(name, RandomBytes(500 + 30000 * static_cast<std::size_t>(i), static_cast<unsigned>(i)));
        files.push_back(name);
    }
    // One file too big to be held in memory ahead, a duplicate name and a missing file in between.
    WriteFileText(Path("huge.txt"), Text(17u << 20));
    fs::create_directories(dir_ / "d");
    WriteFileText(Path("d/F3.TXT"), "duplicate");
    files.insert(files.begin() + 5, Path("huge.txt"));
    files.insert(files.begin() + 7, Path("d/F3.TXT"));
    files.insert(files.begin() + 2, Path("gone.txt"));

    std::vector<std::uint8_t> reference;
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(threads);
        TZipWriter w;
        w.PackLevel = 1;
        w.Threads = threads;
        w.FilesList = files;
        MemorySink sink;
        EXPECT_EQ(w.Zip(sink), 13);
        if (threads == 1) {
            reference = sink.Bytes();
            auto e = ReadBack(reference);
            ASSERT_EQ(e.size(), 13u);
            EXPECT_EQ(e[3].name, "f3.txt");
        } else {
            EXPECT_TRUE(sink.Bytes() == reference);
        }
    }
}

TEST_F(ZipWriterTest, AFullDiskStopsWithTheErrorAtEveryPoint)
{
    WriteFileText(Path("t.txt"), Text(40000));
    WriteFileBytes(Path("r.bin"), RandomBytes(30000, 9));
    for (int level : {0, 8}) {
        TZipWriter w;
        w.PackLevel = level;
        w.FilesList = {Path("t.txt"), Path("r.bin")};
        MemorySink full;
        w.Zip(full);
        ASSERT_EQ(ReadBack(full.Bytes()).size(), 2u);
        const std::size_t n = full.Bytes().size();
        for (std::size_t room : {std::size_t{0}, std::size_t{10}, std::size_t{29}, std::size_t{100}, std::size_t{8191},
                                 std::size_t{8192}, std::size_t{8193}, n / 2, n - 23, n - 1}) {
            SCOPED_TRACE(testing::Message() << "level " << level << " room " << room);
            w.FilesList = {Path("t.txt"), Path("r.bin")};
            MemorySink sink(room);
            try {
                w.Zip(sink);
                ADD_FAILURE() << "no error";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "Not enough room to write archive");
            }
            EXPECT_EQ(w.FilesList.size(), 2u);
        }
    }
}

TEST_F(ZipWriterTest, AFullDeviceGivesTheErrorAndIsNotDeleted)
{
    // Writing through a link to the always-full device: a real short write. Only archives that are
    // plain files are deleted after an error.
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    WriteFileBytes(Path("r.bin"), RandomBytes(100000, 5));
    fs::create_symlink("/dev/full", Path("full.zip"));
    TZipWriter w;
    w.ZipName = Path("full.zip");
    w.FilesList = {Path("r.bin")};
    EXPECT_THROW(w.Zip(), NotEnoughRoomError);
    EXPECT_TRUE(fs::is_symlink(Path("full.zip")));
}

TEST_F(ZipWriterTest, AnArchiveThatFailsIsDeleted)
{
    // A sparse file of 4 GiB: its sizes do not fit the format's 32-bit fields.
    WriteFileText(Path("small.txt"), "small");
    {
        WriteFileText(Path("huge.iso"), "");
        fs::resize_file(Path("huge.iso"), 0x100000000ull);
    }
    TZipWriter w;
    w.ZipName = Path("out.zip");
    w.FilesList = {Path("small.txt"), Path("huge.iso")};
    try {
        w.Zip();
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(Path("huge.iso")), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(w.ZipName));
}

TEST_F(ZipWriterTest, AnArchiveThatCannotBeCreatedNamesThePath)
{
    WriteFileText(Path("a.txt"), "a");
    TZipWriter w;
    w.ZipName = Path("no/such/folder/out.zip");
    w.FilesList = {Path("a.txt")};
    try {
        w.Zip();
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(w.ZipName), std::string::npos) << e.what();
    }
    EXPECT_THROW(
        {
            w.PackLevel = 10;
            w.Zip();
        },
        std::invalid_argument);
}

TEST_F(ZipWriterTest, AFileThatChangesWhileReadGivesAConsistentEntry)
{
    // The file changes after it was opened and measured: the entry holds what was actually read.
    // Letters at random compress only so far, so the archive sees blocks while the file is read.
    auto letters = [](std::size_t n) {
        std::mt19937 rng(7);
        std::vector<std::uint8_t> v(n);
        for (auto& b : v)
            b = static_cast<std::uint8_t>('a' + rng() % 26);
        return v;
    };
    for (bool grow : {true, false}) {
        for (int level : {0, 8}) {
            SCOPED_TRACE(testing::Message() << "grow " << grow << " level " << level);
            const std::string path = Path("live.log");
            WriteFileBytes(path, letters(300000));
            TZipWriter w;
            w.PackLevel = level;
            w.Threads = 1;
            bool changed = false;
            w.DoProcessMessages = [&] {
                if (changed)
                    return;
                changed = true;
                if (grow)
                    WriteFileBytes(path, letters(400000));  // same start, longer
                else
                    fs::resize_file(path, 100000);
            };
            w.FilesList = {path};
            auto e = ZipAndRead(w, 1);
            ASSERT_TRUE(changed);
            ASSERT_EQ(e.size(), 1u);
            if (grow) {
                EXPECT_EQ(e[0].uncompressedSize, 400000u);
            } else {
                EXPECT_GE(e[0].uncompressedSize, 100000u);
                EXPECT_LT(e[0].uncompressedSize, 300000u);
            }
            EXPECT_EQ(e[0].data, letters(e[0].uncompressedSize));
        }
    }
}

TEST_F(ZipWriterTest, FoldersAreAddedWithRecurseAndNamedWithStorePaths)
{
    fs::create_directories(dir_ / "pics" / "sub");
    WriteFileText(Path("pics/b.txt"), "b");
    WriteFileText(Path("pics/sub/a.txt"), "a");
    TZipWriter w;
    w.Recurse = true;
    w.StorePaths = true;
    w.FilesList = {Path("pics")};
    auto e = ZipAndRead(w, 2);
    ASSERT_EQ(e.size(), 2u);
    std::string prefix = dir_.relative_path().string() + "/pics/";
    EXPECT_EQ(e[0].name, prefix + "b.txt");
    EXPECT_EQ(e[1].name, prefix + "sub/a.txt");
}

TEST_F(ZipWriterTest, AnArchiveThatNamesOneOfItsFilesIsRefusedBeforeAnythingIsWritten)
{
    // The same file however it is spelled: the same path, another path, a link.
    WriteFileText(Path("a.txt"), "a");
    WriteFileText(Path("same.bin"), "the user's data");
    WriteFileText(Path("old.zip"), "an archive made before");
    fs::create_symlink(Path("old.zip"), Path("link.zip"));
    const std::string dotted = (dir_ / "." / "old.zip").string();
    for (const auto& [archive, input] :
         {std::pair{Path("same.bin"), Path("same.bin")}, std::pair{dotted, Path("old.zip")},
          std::pair{Path("old.zip"), Path("link.zip")}}) {
        SCOPED_TRACE(archive + " <- " + input);
        TZipWriter w;
        w.ZipName = archive;
        w.FilesList = {Path("a.txt"), input};
        try {
            w.Zip();
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(input), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(ReadFileBytes(Path("same.bin")),
              std::vector<std::uint8_t>(std::begin("the user's data"), std::end("the user's data") - 1));
    EXPECT_EQ(ReadFileBytes(Path("old.zip")).size(), std::string("an archive made before").size());
}

TEST_F(ZipWriterTest, AFullDiskKeepsTheArchiveThatWasThereAndLeavesNothingBehind)
{
    // The file-size limit stands in for a full disk: writes past it fail (EFBIG) like writes to a
    // full one (ENOSPC).
    WriteFileBytes(Path("r.bin"), RandomBytes(200000, 3));
    const std::vector<std::uint8_t> old = RandomBytes(1000, 4);
    WriteFileBytes(Path("out.zip"), old);
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 65536;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    TZipWriter w;
    w.ZipName = Path("out.zip");
    w.FilesList = {Path("r.bin")};
    EXPECT_THROW(w.Zip(), NotEnoughRoomError);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(ReadFileBytes(Path("out.zip")), old);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir_))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"out.zip", "r.bin"}));
}

}  // namespace
}  // namespace qel::zip
