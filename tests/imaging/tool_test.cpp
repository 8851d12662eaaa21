// qelsaver-tool resize and fit as a script would run them: exact output bytes, exit codes, errors.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/pictureloader.h"
#include "imaging/picturewriter.h"

namespace qel::imaging {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status;
    std::string output;  // stdout and stderr
};

ToolRun Tool(const std::string& args, const std::string& shellBefore = "")
{
    const std::string command = shellBefore + std::string(QEL_BIN_DIR) + "/qelsaver-tool " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ToolRun r{-1, {}};
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        r.output.append(buf, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::uint64_t FileHash(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::uint64_t h = 1469598103934665603ULL;
    for (char b : bytes)
        h = (h ^ static_cast<std::uint8_t>(b)) * 1099511628211ULL;
    return h;
}

class ToolPictures : public testing::Test {
protected:
    fs::path dir;
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("qel_tool_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir);
        raster::Bitmap b(7, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                b.SetPixel(x, y,
                           static_cast<raster::Color>(((x * 37) & 0xFF) | (((y * 61) & 0xFF) << 8) |
                                                      (((x * y * 29) & 0xFF) << 16)));
        WritePicture((dir / "in.bmp").string(), b);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string P(const char* name) const { return (dir / name).string(); }
};

// These bytes are the resampler's contract; they must not change.
TEST_F(ToolPictures, ResizeBytesArePinned)
{
    ASSERT_EQ(Tool("resize " + P("in.bmp") + " " + P("a.bmp") + " 11 4").status, 0);
    ASSERT_EQ(Tool("resize " + P("in.bmp") + " " + P("b.bmp") + " 3 9 --filter 6 --support 1.5").status, 0);
    ASSERT_EQ(Tool("resize " + P("in.bmp") + " " + P("c.png") + " 1 1 --filter 0").status, 0);
    const LoadedPicture a = LoadPicture(P("a.bmp"));
    EXPECT_EQ(a.width, 11);
    EXPECT_EQ(a.height, 4);
    EXPECT_EQ(fs::file_size(P("a.bmp")), 54u + 4 * 36);  // 33 bytes a row padded to 36
    EXPECT_EQ(FileHash(P("a.bmp")), 12405289903528341662ULL);
    EXPECT_EQ(FileHash(P("b.bmp")), 16244807985223009962ULL);
    // PNG: the signature and a 1 x 1 header (the compressed bytes belong to zlib).
    std::ifstream png(P("c.png"), std::ios::binary);
    const std::vector<unsigned char> head((std::istreambuf_iterator<char>(png)), std::istreambuf_iterator<char>());
    ASSERT_GT(head.size(), 24u);
    EXPECT_EQ(std::vector<unsigned char>(head.begin(), head.begin() + 8),
              (std::vector<unsigned char>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    EXPECT_EQ(std::vector<unsigned char>(head.begin() + 12, head.begin() + 24),
              (std::vector<unsigned char>{'I', 'H', 'D', 'R', 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST_F(ToolPictures, FitCentresOnTheColour)
{
    // 7 x 5 on 20 x 10: fitted to 14 x 10 at x = 3; 0x0000FF is red in the settings' layout.
    ASSERT_EQ(Tool("fit " + P("in.bmp") + " " + P("f.bmp") + " 20 10 --color 255").status, 0);
    const LoadedPicture f = LoadPicture(P("f.bmp"));
    EXPECT_EQ(f.width, 20);
    EXPECT_EQ(f.bitmap.Pixel(2, 5), 0x000000FFu);
    EXPECT_EQ(f.bitmap.Pixel(17, 5), 0x000000FFu);
    EXPECT_EQ(f.bitmap.Pixel(3, 0), 0x00000000u);  // the picture's black corner

    // A colour as users write it: #RRGGBB is red 0xFF, green 0x80, blue 0x00.
    ASSERT_EQ(Tool("fit " + P("in.bmp") + " " + P("h.bmp") + " 20 10 --color '#FF8000'").status, 0);
    EXPECT_EQ(LoadPicture(P("h.bmp")).bitmap.Pixel(2, 5), 0x000080FFu);
    EXPECT_EQ(Tool("fit " + P("in.bmp") + " " + P("x.bmp") + " 20 10 --color '#FF80'").status, 2);

    // At its own size on 5 x 3 it is cut evenly: (-1, -1).
    ASSERT_EQ(Tool("fit " + P("in.bmp") + " " + P("g.bmp") + " 5 3 --original").status, 0);
    const LoadedPicture in = LoadPicture(P("in.bmp"));
    const LoadedPicture cut = LoadPicture(P("g.bmp"));
    ASSERT_EQ(cut.width, 5);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(cut.bitmap.Pixel(x, y), in.bitmap.Pixel(x + 1, y + 1));
}

TEST_F(ToolPictures, OnlyRegularFilesArePictures)
{
    // A device would be read without end, a FIFO would keep the tool waiting for a writer; a folder is
    // no picture either. Each is refused at once, saying what it is. The memory limit keeps a
    // regression from eating the machine (AddressSanitizer needs more address space than it allows).
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit;
#else
    const std::string limit = "ulimit -v 2000000; ";
#endif
    fs::create_symlink("/dev/zero", dir / "zero.bmp");
    ASSERT_EQ(mkfifo(P("pipe.bmp").c_str(), 0600), 0);
    fs::create_directory(dir / "folder.bmp");
    for (const auto& [name, what] :
         {std::pair{"zero.bmp", "it is a device, not a file"}, std::pair{"pipe.bmp", "it is a pipe (FIFO), not a file"},
          std::pair{"folder.bmp", "it is a folder"}}) {
        const ToolRun r = Tool("fit " + P(name) + " " + P("x.bmp") + " 64 48", limit);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find(std::string(name) + "\": " + what), std::string::npos) << r.output;
    }
    EXPECT_FALSE(fs::exists(P("x.bmp")));
}

TEST_F(ToolPictures, UsageAndFailures)
{
    EXPECT_EQ(Tool("resize " + P("in.bmp") + " " + P("x.bmp") + " 10").status, 2);
    EXPECT_EQ(Tool("resize " + P("in.bmp") + " " + P("x.bmp") + " 10 0").status, 2);
    EXPECT_EQ(Tool("resize " + P("in.bmp") + " " + P("x.bmp") + " 10 10 --filter 7").status, 2);
    EXPECT_EQ(Tool("resize " + P("in.bmp") + " " + P("x.bmp") + " 10 10 --support -2").status, 2);
    EXPECT_EQ(Tool("fit " + P("in.bmp") + " " + P("x.bmp") + " 10 10 --color blue").status, 2);
    EXPECT_FALSE(fs::exists(P("x.bmp")));

    std::ofstream(P("broken.jpg")) << "this is not a picture";
    const ToolRun broken = Tool("fit " + P("broken.jpg") + " " + P("x.bmp") + " 10 10");
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.output.find(P("broken.jpg")), std::string::npos) << broken.output;
    const ToolRun unwritable = Tool("resize " + P("in.bmp") + " " + P("no/such/dir/x.bmp") + " 10 10");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.output.find("no/such/dir"), std::string::npos) << unwritable.output;
}

}  // namespace
}  // namespace qel::imaging
