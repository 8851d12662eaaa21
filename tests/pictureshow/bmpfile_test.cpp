// The 24-bit BMP reader and writer of the command-line tool.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "pictureshow/bmpfile.h"
#include "testpictures.h"

namespace qel::pictureshow {
namespace {

namespace fs = std::filesystem;

class BmpFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("qel_bmp_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) const
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }
    fs::path dir_;
};

TEST_F(BmpFile, RoundTripKeepsEveryPixelWithPaddedRows)
{
    // Width 5: 15 bytes a row, padded to 16.
    const raster::Bitmap b = test::MakePicture(5, 3, 0x42);
    WriteBmp24(Path("a.bmp"), b);
    EXPECT_EQ(fs::file_size(Path("a.bmp")), 54u + 16u * 3u);
    EXPECT_TRUE(ReadBmp24(Path("a.bmp")) == b);
}

TEST_F(BmpFile, BottomUpRowsAreStoredLastRowFirst)
{
    raster::Bitmap b(1, 2);
    b.SetPixel(0, 0, 0x00010203);
    b.SetPixel(0, 1, 0x00040506);
    WriteBmp24(Path("b.bmp"), b);
    std::ifstream in(Path("b.bmp"), std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 54u + 8u);
    // First stored row is the bottom one: blue, green, red of 0x00040506.
    EXPECT_EQ(bytes[54], 0x04);
    EXPECT_EQ(bytes[56], 0x06);
}

TEST_F(BmpFile, BadFilesFailWithTheFileNameAndCause)
{
    auto expectError = [&](const std::string& path, const std::string& cause) {
        try {
            (void)ReadBmp24(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(path), std::string::npos) << what;
            EXPECT_NE(what.find(cause), std::string::npos) << what;
        }
    };
    expectError(Path("missing.bmp"), "cannot open");
    WriteBytes(Path("text.bmp"), {'h', 'e', 'l', 'l', 'o'});
    expectError(Path("text.bmp"), "not a BMP");

    WriteBmp24(Path("good.bmp"), test::MakePicture(20, 20, 1));
    std::ifstream in(Path("good.bmp"), std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto truncated = bytes;
    truncated.resize(200);
    WriteBytes(Path("short.bmp"), truncated);
    expectError(Path("short.bmp"), "truncated");
    auto eightBit = bytes;
    eightBit[28] = 8;
    WriteBytes(Path("8bit.bmp"), eightBit);
    expectError(Path("8bit.bmp"), "8 bits");
    auto huge = bytes;
    huge[18] = huge[19] = huge[20] = 0xFF;
    huge[21] = 0x7F;
    WriteBytes(Path("huge.bmp"), huge);
    expectError(Path("huge.bmp"), "bad BMP size");
}

}  // namespace
}  // namespace qel::pictureshow
