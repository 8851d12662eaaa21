#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/paths.h"

using namespace qel::base;
namespace fs = std::filesystem;

namespace {

struct TempFolder {
    fs::path path;
    TempFolder()
    {
        path = fs::temp_directory_path() /
               (std::string("qel-utils-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

void Touch(const std::string& path)
{
    std::ofstream(path) << "x";
}

}  // namespace

TEST(Paths, AddTrailingSlash)
{
    EXPECT_EQ(AddTrailingSlash(""), "");
    EXPECT_EQ(AddTrailingSlash("/tmp"), "/tmp/");
    EXPECT_EQ(AddTrailingSlash("/tmp/"), "/tmp/");
    EXPECT_EQ(AddTrailingSlash("/"), "/");
}

TEST(Paths, NextNumberedName)
{
    EXPECT_EQ(NextNumberedName("NewSaver.scr"), "NewSaver1.scr");
    EXPECT_EQ(NextNumberedName("NewSaver1.scr"), "NewSaver2.scr");
    EXPECT_EQ(NextNumberedName("Saver9"), "Saver10");
    EXPECT_EQ(NextNumberedName("a.b.c"), "a1.b.c");
    EXPECT_EQ(NextNumberedName("99"), "100");
    EXPECT_EQ(NextNumberedName(""), "1");
    EXPECT_EQ(NextNumberedName("x007.zip"), "x8.zip");
    // A run of digits longer than any integer still counts up instead of overflowing.
    EXPECT_EQ(NextNumberedName("s99999999999999999999.exe"), "s100000000000000000000.exe");
}

TEST(Paths, MakeFolderPathAndFolderExists)
{
    TempFolder t;
    EXPECT_THROW(MakeFolderPath(""), std::runtime_error);
    EXPECT_TRUE(MakeFolderPath(t / "a/b/c/"));
    EXPECT_TRUE(FolderExists(t / "a/b/c"));
    EXPECT_TRUE(MakeFolderPath(t / "a/b/c"));  // already there
    Touch(t / "file");
    EXPECT_FALSE(FolderExists(t / "file"));
    EXPECT_FALSE(MakeFolderPath(t / "file/sub"));  // a file stands in the way
    EXPECT_FALSE(FolderExists(t / "missing"));
    EXPECT_FALSE(FolderExists(""));
}

TEST(Paths, ListPictureFilesRecursesAndMatchesExtensionsWithoutCase)
{
    TempFolder t;
    fs::create_directories(t.path / "sub" / "deeper");
    fs::create_directories(t.path / "folder.jpg");
    for (const char* f : {"b.JPG", "a.gif", "noext", "c.txt", "sub/d.Jpeg", "sub/deeper/e.bmp", "x.", ".hidden"})
        Touch(t / f);
    std::vector<std::string> list{"/already/there.jpg"};
    ASSERT_TRUE(ListPictureFiles(t.path.string(), list, {"bmp", "jpg", "jpeg", "gif"}));
    EXPECT_EQ(list, (std::vector<std::string>{"/already/there.jpg", t / "a.gif", t / "b.JPG", t / "sub/d.Jpeg",
                                              t / "sub/deeper/e.bmp"}));
    std::vector<std::string> none;
    EXPECT_FALSE(ListPictureFiles(t / "missing", none, {"jpg"}));
    EXPECT_TRUE(none.empty());
}

TEST(Paths, DeleteQuietly)
{
    TempFolder t;
    fs::create_directories(t.path / "work" / "inner");
    Touch(t / "work/inner/f");
    Touch(t / "single");
    EXPECT_TRUE(DeleteQuietly(t / "work"));
    EXPECT_FALSE(fs::exists(t / "work"));
    EXPECT_TRUE(DeleteQuietly(t / "single"));
    EXPECT_FALSE(DeleteQuietly(t / "single"));
    EXPECT_FALSE(DeleteQuietly(""));
}
