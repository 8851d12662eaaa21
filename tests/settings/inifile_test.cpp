#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/files.h"
#include "settings/inifile.h"

using qel::settings::IniFile;
using qel::settings::TextToInt;

namespace {

std::filesystem::path TempDir()
{
    auto dir = std::filesystem::temp_directory_path() /
               ("qel-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    return dir;
}

void WriteBytes(const std::filesystem::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

TEST(IniFile, SectionsAndKeysCompareWithoutCaseAndFirstOccurrenceWins)
{
    auto ini = IniFile::FromText("[OPTIONS]\r\nimagesize=1\r\nImageSize=0\r\n[Options]\r\nInterval=9\r\n");
    EXPECT_EQ(ini.ReadInteger("Options", "IMAGESIZE", 5), 1);
    // The second [Options] is never found.
    EXPECT_EQ(ini.ReadInteger("options", "Interval", 3), 3);
}

TEST(IniFile, ValuesAreUntrimmedAndCutAtTheFirstEquals)
{
    auto ini = IniFile::FromText("[Images]\n/a/b=c.jpg=\n  /x.jpg =\nno equals sign\n; comment\n\n[S]\n k = v \n");
    EXPECT_EQ(ini.ReadSection("images"), (std::vector<std::string>{"/a/b", "  /x.jpg ", ""}));
    EXPECT_EQ(ini.ReadString("S", " k ", "d"), " v ");
    EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
    EXPECT_TRUE(ini.ReadSection("missing").empty());
}

TEST(IniFile, LinesBeforeTheFirstSectionAndLineEndsOfEveryKind)
{
    auto ini = IniFile::FromText("Interval=7\r[A]\rx=1\ny=2\r\nz=3");
    EXPECT_EQ(ini.ReadInteger("A", "Interval", -1), -1);
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_EQ(ini.ReadInteger("A", "z", 0), 3);
}

TEST(IniFile, IntegerConversion)
{
    EXPECT_EQ(TextToInt("0x0A", 3), 10);
    EXPECT_EQ(TextToInt("0X1f", 3), 31);
    EXPECT_EQ(TextToInt("$ff", 3), 255);
    EXPECT_EQ(TextToInt("$FFFFFFFF", 3), -1);
    EXPECT_EQ(TextToInt("-16777216", 3), -16777216);
    EXPECT_EQ(TextToInt("+42", 3), 42);
    EXPECT_EQ(TextToInt("2147483647", 3), 2147483647);
    EXPECT_EQ(TextToInt("-2147483648", 3), -2147483647 - 1);
    // Things that do not convert give the default.
    for (const char* bad :
         {"ten", "", "0x", "1 ", "12a", "2147483648", "99999999999999999999", "$", "0xG1", "$100000000", "-", " "})
        EXPECT_EQ(TextToInt(bad, 3), 3) << '"' << bad << '"';
    EXPECT_EQ(TextToInt("0", 3), 0);
    EXPECT_EQ(TextToInt("  7", 3), 7);
}

TEST(IniFile, BooleansAreIntegers)
{
    auto ini = IniFile::FromText("[O]\na=0\nb=2\nc=yes\n");
    EXPECT_FALSE(ini.ReadBool("O", "a", true));
    EXPECT_TRUE(ini.ReadBool("O", "b", false));
    EXPECT_TRUE(ini.ReadBool("O", "c", true));
    EXPECT_FALSE(ini.ReadBool("O", "c", false));
    EXPECT_TRUE(ini.ReadBool("O", "missing", true));
}

TEST(IniFile, WriteStringReplacesInPlaceAppendsKeysAndSections)
{
    auto ini = IniFile::FromText("; lost\n\n[Options]\nInterval=3\n[Path]\nappPATH=/old/\nOther=1\n");
    ini.WriteString("Path", "AppPath", "/new/");
    ini.WriteString("Path", "ImagePath", "/pics/");
    ini.WriteString("Extra", "K", "V");
    EXPECT_EQ(ini.ToText(), "[Options]\r\nInterval=3\r\n\r\n"
                            "[Path]\r\nAppPath=/new/\r\nOther=1\r\nImagePath=/pics/\r\n\r\n"
                            "[Extra]\r\nK=V\r\n\r\n");
    EXPECT_EQ(ini.ReadString("path", "IMAGEPATH", ""), "/pics/");
    EXPECT_EQ(ini.ReadString("Path", "apppath", ""), "/new/");
}

TEST(IniFile, MissingEmptyAndGarbageFilesGiveDefaults)
{
    auto dir = TempDir();
    EXPECT_EQ(IniFile::Open((dir / "nothing.dat").string()).ReadInteger("Options", "Interval", 3), 3);
    WriteBytes(dir / "empty.dat", "");
    EXPECT_EQ(IniFile::Open((dir / "empty.dat").string()).ReadInteger("Options", "Interval", 3), 3);

    std::mt19937 rng(7);
    std::string garbage(1 << 20, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());
    WriteBytes(dir / "garbage.dat", garbage);
    auto ini = IniFile::Open((dir / "garbage.dat").string());
    EXPECT_EQ(ini.ReadInteger("Options", "Interval", 3), 3);

    // A megabyte-long line and a NUL inside a value.
    std::string longLine =
        "[Options]\r\nInterval=" + std::string(2 << 20, '9') + "\r\n" + std::string("Duration=4\0x\r\n", 14);
    longLine += "[Images]\r\n" + std::string(1 << 20, 'p') + "=\r\n";
    WriteBytes(dir / "long.dat", longLine);
    ini = IniFile::Open((dir / "long.dat").string());
    EXPECT_EQ(ini.ReadInteger("Options", "Interval", 3), 3);
    EXPECT_EQ(ini.ReadSection("Images").at(0).size(), size_t{1} << 20);
    EXPECT_EQ(ini.Problem(), "line 2 is longer than 32768 bytes") << "kept, but not silently";
    std::filesystem::remove_all(dir);
}

TEST(IniFile, WhatCouldNotBeReadIsSaidAndTheFileIsNotWrittenBack)
{
    auto dir = TempDir();
    EXPECT_EQ(IniFile::Open((dir / "nothing.dat").string()).Problem(), "") << "a first run";

    // One long comment line, within the size a settings file may have.
    WriteBytes(dir / "comment.dat", "[Options]\nInterval=5\n;" + std::string(IniFile::kMaxLineLength, 'c') + "\n");
    WriteBytes(dir / "large.dat", "[Options]\nInterval=5\n");
    std::filesystem::resize_file(dir / "large.dat", IniFile::kMaxFileSize + 1);  // sparse: no disk used
    std::filesystem::create_directory(dir / "folder.dat");
    struct Case {
        const char* name;
        std::string problem;
    };
    for (const Case& c :
         {Case{"comment.dat", "line 3 is longer than 32768 bytes"},
          Case{"large.dat", "it holds more than 67108864 bytes"}, Case{"folder.dat", "it is a folder"}}) {
        const std::string path = (dir / c.name).string();
        const std::string before = std::filesystem::is_regular_file(path) ? ReadBytes(path) : "";
        auto ini = IniFile::Open(path);
        EXPECT_EQ(ini.Problem(), c.problem) << c.name;
        ini.WriteString("Path", "AppPath", "/app/");
        EXPECT_THROW(ini.UpdateFile(), std::runtime_error) << c.name;
        if (!before.empty()) {
            EXPECT_EQ(ReadBytes(path), before) << c.name;
        }
        ini.UpdateFile((dir / "elsewhere.dat").string());  // another file may still be written
    }

    // Permissions do not stop the superuser, who runs some of our test machines.
    WriteBytes(dir / "private.dat", "[Options]\nInterval=5\n");
    std::filesystem::permissions(dir / "private.dat", std::filesystem::perms::owner_write);
    if (::geteuid() != 0) {
        EXPECT_EQ(IniFile::Open((dir / "private.dat").string()).Problem(), "Permission denied");
    }
    std::filesystem::remove_all(dir);
}

TEST(IniFile, UpdateFileWritesTheReadersFormAndReportsFailure)
{
    auto dir = TempDir();
    auto path = dir / "QelSetup.dat";
    WriteBytes(path, "[Options]\r\nInterval=5\r\n[Images]\r\n/p.jpg=\r\n");
    auto ini = IniFile::Open(path.string());
    ini.WriteString("Path", "AppPath", "/app/");
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(path),
              "[Options]\r\nInterval=5\r\n\r\n[Images]\r\n/p.jpg=\r\n\r\n[Path]\r\nAppPath=/app/\r\n\r\n");

    // A folder that does not exist: the error names the file.
    auto bad = (dir / "no" / "such" / "QelSetup.dat").string();
    try {
        ini.UpdateFile(bad);
        FAIL() << "write into a missing folder succeeded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
    }
    std::filesystem::remove_all(dir);
}

TEST(IniFile, AFullDiskKeepsTheOldFileAndLeavesNothingBehind)
{
    // The file-size limit stands in for a full disk: writes past it fail (EFBIG) as on a full one.
    auto dir = TempDir();
    const std::string path = (dir / "QelSetup.dat").string();
    const std::string old = "[Options]\r\nInterval=5\r\n";
    WriteBytes(path, old);
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    try {
        qel::platform::WriteFileAtomically(path, std::string(4096, 'x'));
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(ReadBytes(path), old);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1u);
    std::filesystem::remove_all(dir);
}

TEST(IniFile, FailedWriteLeavesNothingBehind)
{
    // The target is a folder: the rename fails, the error is raised and no temporary file stays.
    auto dir = TempDir();
    std::filesystem::create_directories(dir / "QelSetup.dat");
    EXPECT_THROW(qel::platform::WriteFileAtomically((dir / "QelSetup.dat").string(), "x"), std::runtime_error);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1u);
    std::filesystem::remove_all(dir);
}
