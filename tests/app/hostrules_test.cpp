// The host mode's rules: which window a host gives, and where a restarted show resumes.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/hosttarget.h"
#include "app/resumepoint.h"

namespace fs = std::filesystem;
using namespace qel::app;

namespace {

class HostTargetTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("XSCREENSAVER_WINDOW"); }
};

TEST_F(HostTargetTest, WindowIdBeatsTheEnvironmentWhichReadsHexOrDecimal)
{
    CommandLine root = ParseCommandLine({"--root"});
    unsetenv("XSCREENSAVER_WINDOW");
    EXPECT_FALSE(FindHostTarget(root).given) << "no window: full-screen";
    setenv("XSCREENSAVER_WINDOW", "", 1);
    EXPECT_FALSE(FindHostTarget(root).given);

    setenv("XSCREENSAVER_WINDOW", "0x600001", 1);
    HostTarget t = FindHostTarget(root);
    EXPECT_TRUE(t.given);
    EXPECT_EQ(t.window, 0x600001u);
    EXPECT_FALSE(t.settingsDialog);
    setenv("XSCREENSAVER_WINDOW", "6291457", 1);
    EXPECT_EQ(FindHostTarget(root).window, 6291457u);
    setenv("XSCREENSAVER_WINDOW", "garbage", 1);
    t = FindHostTarget(root);
    EXPECT_TRUE(t.given) << "a window the host named but that does not read is not the whole screen";
    EXPECT_EQ(t.window, 0u);

    t = FindHostTarget(ParseCommandLine({"--root", "--window-id", "0x42"}));
    EXPECT_EQ(t.window, 0x42u);
    EXPECT_TRUE(t.settingsDialog);
}

TEST(PreviewSized, HalfTheSmallestScreenOrLess)
{
    EXPECT_TRUE(PreviewSized(400, 300, 1280, 800));
    EXPECT_TRUE(PreviewSized(640, 400, 1280, 800));
    EXPECT_FALSE(PreviewSized(641, 400, 1280, 800));
    EXPECT_FALSE(PreviewSized(1280, 800, 1280, 800));
    EXPECT_FALSE(PreviewSized(400, 300, 0, 0)) << "no screen known: a monitor's cover";
}

class ResumeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / "qel-resume";
        fs::remove_all(dir_);
        file_ = (dir_ / "state" / "qelsaver" / "resume").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string file_;
    std::vector<std::string> list_{"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"};
};

TEST_F(ResumeTest, TheLastPictureIsKeptForTheSameListOnly)
{
    EXPECT_FALSE(ReadLastShown(file_, list_)) << "no file yet";
    WriteLastShown(file_, list_, 1);  // makes the folders
    EXPECT_EQ(ReadLastShown(file_, list_), 1);
    WriteLastShown(file_, list_, 2);
    EXPECT_EQ(ReadLastShown(file_, list_), 2);

    EXPECT_FALSE(ReadLastShown(file_, {"/p/a.jpg", "/p/c.jpg", "/p/b.jpg"})) << "another order";
    EXPECT_FALSE(ReadLastShown(file_, {"/p/a.jpg/p/b.jpg", "/p/c.jpg"}));
    EXPECT_FALSE(ReadLastShown(file_, {"/p/a.jpg", "/p/b.jpg"}));
}

TEST_F(ResumeTest, ADamagedFileIsIgnored)
{
    WriteLastShown(file_, list_, 1);
    std::string good;
    {
        std::ifstream in(file_, std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string list = good.substr(0, good.find('\n') + 1);
    for (const std::string& bad :
         {std::string(), good.substr(0, good.size() - 3), list + "last=7\n", list + "last=-1\n", list + "last=1\nx",
          list + "last=01\n", list + "last=99999999999999999999\n", std::string(100000, 'x'),
          std::string("\0\0\0\0", 4)}) {
        std::ofstream(file_, std::ios::binary | std::ios::trunc) << bad;
        EXPECT_FALSE(ReadLastShown(file_, list_)) << bad.substr(0, 60);
    }
    // A pipe in its place would keep the start waiting for a writer.
    fs::remove(file_);
    ASSERT_EQ(mkfifo(file_.c_str(), 0600), 0);
    EXPECT_FALSE(ReadLastShown(file_, list_));
    WriteLastShown(file_, list_, 1);  // nor wait for a reader
    // An unwritable place costs nothing but the resume.
    WriteLastShown((dir_ / "state" / "qelsaver" / "resume" / "below-a-file").string(), list_, 1);
}

TEST_F(ResumeTest, ALinkInItsPlaceIsNeitherFollowedNorReplaced)
{
    WriteLastShown(file_, list_, 1);
    fs::remove(file_);
    const fs::path other = dir_ / "notes.txt";
    std::ofstream(other) << "the user's";
    fs::create_symlink(other, file_);
    WriteLastShown(file_, list_, 2);
    std::ifstream in(other);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's");
    EXPECT_TRUE(fs::is_symlink(file_));
    // A link to nothing: nothing is made where it points.
    fs::remove(file_);
    fs::create_symlink(dir_ / "nowhere", file_);
    WriteLastShown(file_, list_, 2);
    EXPECT_FALSE(fs::exists(dir_ / "nowhere"));
}

TEST_F(ResumeTest, TheShowStartsAfterTheLastPicture)
{
    // List order: the cycle takes the list turned to start with the next picture, wrapping.
    const auto draw = [](int) { return 0; };
    EXPECT_EQ(ResumeAfter(list_, false, 0, draw).pictures,
              (std::vector<std::string>{"/p/b.jpg", "/p/c.jpg", "/p/a.jpg"}));
    EXPECT_EQ(ResumeAfter(list_, false, 2, draw).pictures, list_);
    EXPECT_EQ(ResumeAfter(list_, false, -1, draw).pictures, list_);

    // Random order: the first draw never gives the last picture again; later draws are left alone.
    std::vector<int> answers{1, 1, 2, 1, 1};
    std::size_t next = 0;
    const ResumedOrder random = ResumeAfter(list_, true, 1, [&](int) { return answers[next++]; });
    EXPECT_EQ(random.pictures, list_);
    EXPECT_EQ(random.draw(3), 2);
    EXPECT_EQ(random.draw(3), 1);
    EXPECT_EQ(random.draw(3), 1);

    // Which picture came in, with a picture that the list holds twice.
    const std::vector<std::string> twice{"/p/a.jpg", "/p/b.jpg", "/p/a.jpg"};
    EXPECT_EQ(ShownIndex(twice, -1, "/p/a.jpg"), 0);
    EXPECT_EQ(ShownIndex(twice, 1, "/p/a.jpg"), 2);
    EXPECT_EQ(ShownIndex(twice, 2, "/p/a.jpg"), 0);
    EXPECT_EQ(ShownIndex(twice, 0, "/p/z.jpg"), -1);
}

}  // namespace
