// qelsaver-tool styles and frame, run as a separate process.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "imaging/pictureloader.h"
#include "imaging/picturewriter.h"
#include "testpictures.h"

namespace qel::pictureshow {
namespace {

namespace fs = std::filesystem;

void WriteBmp24(const std::string& path, const raster::Bitmap& b)
{
    imaging::WritePicture(path, b);
}

raster::Bitmap ReadBmp24(const std::string& path)
{
    return imaging::LoadPicture(path).bitmap;
}

struct Result {
    int status;
    std::string out;
};

Result RunTool(const std::string& args)
{
    const std::string command = std::string(QEL_BIN_DIR) + "/qelsaver-tool " + args + " 2>&1";
    Result r{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class Tool : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("qel_tool_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        WriteBmp24(P("old.bmp"), test::MakePicture(80, 60, test::kOldMark));
        WriteBmp24(P("new.bmp"), test::MakePicture(80, 60, test::kNewMark));
        WriteBmp24(P("small.bmp"), test::MakePicture(8, 6, test::kOldMark));
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string P(const char* name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(Tool, StylesListsTheCatalogue)
{
    const Result r = RunTool("styles");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 23), "0\tseWipeLeft\tWipeLeft\n1");
    EXPECT_NE(r.out.find("\n8\tseClockWise\tAnticlockwise Wipe\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n91\tseFade\tFade In/Out\n"), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 92);
}

TEST_F(Tool, FrameRendersOneFrameAndTheAccumulatedWindow)
{
    // A wipe at 50: the left half is new.
    Result r = RunTool("frame " + P("old.bmp") + " " + P("new.bmp") + " " + P("out.bmp") + " --style 0 --progress 50");
    ASSERT_EQ(r.status, 0) << r.out;
    raster::Bitmap out = ReadBmp24(P("out.bmp"));
    EXPECT_EQ(test::Mark(out, 39, 30), test::kNewMark);
    EXPECT_EQ(test::Mark(out, 40, 30), test::kOldMark);

    // A line style shows one set of lines as a frame, all lines so far in the window.
    r = RunTool("frame " + P("old.bmp") + " " + P("new.bmp") + " " + P("one.bmp") + " --style 32 --progress 5");
    ASSERT_EQ(r.status, 0) << r.out;
    r = RunTool("frame " + P("old.bmp") + " " + P("new.bmp") + " " + P("acc.bmp") +
                " --style 32 --progress 5 --accumulate");
    ASSERT_EQ(r.status, 0) << r.out;
    raster::Bitmap one = ReadBmp24(P("one.bmp")), acc = ReadBmp24(P("acc.bmp"));
    int inOne = 0, inAcc = 0;
    for (int x = 0; x < 80; ++x) {
        inOne += test::Mark(one, x, 10) == test::kNewMark;
        inAcc += test::Mark(acc, x, 10) == test::kNewMark;
    }
    EXPECT_EQ(inOne, 5);   // k = 10 lines, 5 of them inside at n = 5
    EXPECT_EQ(inAcc, 15);  // 1 + 2 + 3 + 4 + 5 lines shown so far

    // OLD of another size is stretched to NEW's.
    r = RunTool("frame " + P("small.bmp") + " " + P("new.bmp") + " " + P("s.bmp") +
                " --style 46 --progress 0 --seed 3");
    ASSERT_EQ(r.status, 0) << r.out;
    out = ReadBmp24(P("s.bmp"));
    EXPECT_EQ(out.Width(), 80);
    EXPECT_EQ(test::Mark(out, 79, 59), test::kOldMark);
}

TEST_F(Tool, FrameReadsAndWritesEveryPictureFormatTheLoaderKnows)
{
    // PNG out, then that PNG back in as the old picture: the wipe's old half is the earlier frame.
    Result r = RunTool("frame " + P("old.bmp") + " " + P("new.bmp") + " " + P("f.png") + " --style 0 --progress 100");
    ASSERT_EQ(r.status, 0) << r.out;
    r = RunTool("frame " + P("f.png") + " " + P("old.bmp") + " " + P("g.bmp") + " --style 0 --progress 50");
    ASSERT_EQ(r.status, 0) << r.out;
    raster::Bitmap out = ReadBmp24(P("g.bmp"));
    EXPECT_EQ(test::Mark(out, 39, 30), test::kOldMark);
    EXPECT_EQ(test::Mark(out, 40, 30), test::kNewMark);
}

TEST_F(Tool, FrameErrorsNameTheFileOrShowTheUsage)
{
    Result r = RunTool("frame " + P("missing.bmp") + " " + P("new.bmp") + " " + P("o.bmp") + " --style 0 --progress 5");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("missing.bmp"), std::string::npos) << r.out;
    r = RunTool("frame " + P("old.bmp") + " " + P("new.bmp") + " " + P("o.bmp") + " --style 92 --progress 5");
    EXPECT_EQ(r.status, 2);
    r = RunTool("frame " + P("old.bmp") + " " + P("new.bmp") + " --style 1 --progress 5");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("usage"), std::string::npos);
}

}  // namespace
}  // namespace qel::pictureshow
