// Icons and PNG through Qt's image readers, read as the tool reads them: without an application
// object. Also checks the PNG writer against Qt's reader.

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <gtest/gtest.h>
#include <zlib.h>

#include "imaging/pictureloader.h"
#include "imaging/picturewriter.h"
#include "imaging/qtdecoders.h"

namespace qel::imaging {
namespace {

using Bytes = std::vector<std::uint8_t>;

class QtLoader : public testing::Test {
protected:
    std::filesystem::path dir;
    void SetUp() override
    {
        RegisterQtPictureDecoders();
        dir = std::filesystem::temp_directory_path() /
              ("qel_qtloader_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string Write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    void ExpectError(const std::string& path)
    {
        try {
            LoadPicture(path);
            ADD_FAILURE() << path << " loaded";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
};

Bytes PngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(bytes.begin(), bytes.end());
}

// An icon file with one PNG-compressed entry per image.
Bytes IcoOf(const std::vector<QImage>& images)
{
    Bytes out = {0, 0, 1, 0, static_cast<std::uint8_t>(images.size()), 0};
    std::vector<Bytes> pngs;
    for (const QImage& i : images)
        pngs.push_back(PngOf(i));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    auto le = [&](std::uint32_t v, int n) {
        for (int k = 0; k < n; ++k)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    };
    for (size_t k = 0; k < images.size(); ++k) {
        out.push_back(static_cast<std::uint8_t>(images[k].width() & 0xFF));
        out.push_back(static_cast<std::uint8_t>(images[k].height() & 0xFF));
        le(0, 2);  // colours, reserved
        le(1, 2);  // planes
        le(32, 2);
        le(static_cast<std::uint32_t>(pngs[k].size()), 4);
        le(offset, 4);
        offset += static_cast<std::uint32_t>(pngs[k].size());
    }
    for (const Bytes& p : pngs)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

QImage Filled(int w, int h, QRgb c)
{
    QImage i(w, h, QImage::Format_ARGB32);
    i.fill(c);
    return i;
}

void PutBE32(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(Bytes& out, const char* type, const Bytes& data)
{
    PutBE32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE32(out, static_cast<std::uint32_t>(crc32(0, out.data() + at, static_cast<uInt>(out.size() - at))));
}

// A PNG of 16-bit RGB pixels, all of one colour. The rows are compressed one by one, so the test
// never holds the picture itself.
Bytes DeepPng(std::uint32_t w, std::uint32_t h, const std::array<std::uint16_t, 3>& rgb, bool withPixels = true)
{
    Bytes ihdr;
    PutBE32(ihdr, w);
    PutBE32(ihdr, h);
    ihdr.insert(ihdr.end(), {16, 2, 0, 0, 0});  // 16 bits, RGB, deflate, filters, no interlace
    Bytes row = {0};                            // no filter
    for (std::uint32_t x = 0; x < w; ++x)
        for (std::uint16_t c : rgb)
            row.insert(row.end(), {static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
    Bytes idat;
    z_stream z{};
    deflateInit(&z, 1);
    Bytes out(1 << 16);
    for (std::uint32_t y = 0; y < (withPixels ? h : 0) + 1; ++y) {
        const bool last = !withPixels || y == h;
        z.next_in = last ? nullptr : row.data();
        z.avail_in = last ? 0 : static_cast<uInt>(row.size());
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            idat.insert(idat.end(), out.begin(), out.end() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", ihdr);
    PutChunk(png, "IDAT", idat);
    PutChunk(png, "IEND", {});
    return png;
}

TEST_F(QtLoader, DeepPicturesWithinTheSizeRuleLoadAndLargerOnesAreNamedBySize)
{
    // 16 bits a channel take 8 bytes a pixel while Qt decodes them: just over 100 megapixels is
    // past a limit of 4 bytes a pixel, and well within the size rule.
    const LoadedPicture p = LoadPicture(Write("deep.png", DeepPng(10001, 10000, {0x1234, 0x5678, 0x9ABC})));
    EXPECT_EQ(p.width, 10001);
    EXPECT_EQ(p.height, 10000);
    EXPECT_EQ(p.bitmap.Pixel(0, 0), 0x009A5612u);
    EXPECT_EQ(p.bitmap.Pixel(10000, 9999), 0x009A5612u);

    const std::string huge = Write("huge.png", DeepPng(15000, 15000, {0, 0, 0}, false));
    try {
        LoadPicture(huge);
        ADD_FAILURE() << "loaded";
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("15000\u00D715000, larger than the 200 megapixels"), std::string::npos)
            << e.what();
    }
}

TEST_F(QtLoader, IconGivesItsLargestImage)
{
    const Bytes ico =
        IcoOf({Filled(16, 16, qRgb(255, 0, 0)), Filled(48, 48, qRgb(0, 255, 0)), Filled(32, 32, qRgb(0, 0, 255))});
    const LoadedPicture p = LoadPicture(Write("app.ico", ico));
    EXPECT_EQ(p.width, 48);
    EXPECT_EQ(p.height, 48);
    EXPECT_EQ(p.bitmap.Pixel(20, 20), 0x0000FF00u);
}

TEST_F(QtLoader, ShippedIconWithThreeSizes)
{
    const LoadedPicture p = LoadPicture(QEL_TEST_DATA_DIR "/imaging/multi.ico");
    EXPECT_EQ(p.width, 48);
    EXPECT_EQ(p.height, 48);
    EXPECT_EQ(p.bitmap.Pixel(24, 24), 0x00800000u);  // navy
    EXPECT_EQ(p.bitmap.Pixel(1, 1), 0x0000A5FFu);    // orange
}

TEST_F(QtLoader, PngTransparencyTakesTheBackground)
{
    QImage image = Filled(4, 2, qRgba(0, 0, 255, 255));
    image.setPixel(1, 0, qRgba(255, 0, 0, 0));
    image.setPixel(2, 0, qRgba(255, 255, 255, 128));
    const LoadedPicture p = LoadPicture(Write("a.png", PngOf(image)), 0x00000000);
    EXPECT_EQ(p.bitmap.Pixel(0, 0), 0x00FF0000u);  // blue in 0x00BBGGRR
    EXPECT_EQ(p.bitmap.Pixel(1, 0), 0x00000000u);
    EXPECT_EQ(p.bitmap.Pixel(2, 0), 0x00808080u);
    EXPECT_EQ(LoadPicture(Write("b.png", PngOf(image)), 0x0000FF00).bitmap.Pixel(1, 0), 0x0000FF00u);
}

TEST_F(QtLoader, RunLengthBitmapGoesThroughQt)
{
    // 4 x 2, 8 bits, RLE8: each row "4 pixels of index 1", end of line; end of bitmap.
    Bytes b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54 + 8, 0, 0, 0, 40, 0, 0,
               0,   4,   0, 0, 0, 2, 0, 0, 0, 1, 0,      8, 0, 1, 0,  0, 0};
    b.resize(54, 0);
    b.insert(b.end(), {0, 0, 0, 0, 0, 0, 255, 0});      // palette: black, red
    b.insert(b.end(), {4, 1, 0, 0, 4, 1, 0, 0, 0, 1});  // rows, end of bitmap
    b[46] = 2;                                          // colours used
    const LoadedPicture p = LoadPicture(Write("rle.bmp", b));
    EXPECT_EQ(p.width, 4);
    EXPECT_EQ(p.bitmap.Pixel(3, 1), 0x000000FFu);
}

TEST_F(QtLoader, DamagedIconsAndPngAreErrors)
{
    const Bytes ico = IcoOf({Filled(16, 16, qRgb(255, 0, 0)), Filled(32, 32, qRgb(0, 0, 255))});
    const Bytes png = PngOf(Filled(40, 30, qRgb(1, 2, 3)));
    for (size_t n = 0; n + 12 < png.size(); n += 5)  // the last 12 bytes are the end marker
        ExpectError(Write("t.png", Bytes(png.begin(), png.begin() + static_cast<long>(n))));
    for (size_t n = 0; n < 22; ++n)  // header and directory cut short
        ExpectError(Write("t.ico", Bytes(ico.begin(), ico.begin() + static_cast<long>(n))));
    for (const Bytes* good : {&ico, &png}) {
        for (size_t at = 0; at < good->size(); at += 3) {
            Bytes bad = *good;
            bad[at] ^= 0xA5;
            try {
                LoadPicture(Write(good == &ico ? "f.ico" : "f.png", bad));
            } catch (const PictureError&) {
            }
        }
    }
    ExpectError(Write("text.png", {'h', 'e', 'l', 'l', 'o'}));
    ExpectError(Write("text.ico", {'h', 'e', 'l', 'l', 'o'}));
}

TEST_F(QtLoader, AnIconClaimingMoreImagesThanItHoldsFailsQuietly)
{
    // 33 bytes that claim 65280 images: each one looked at cost a seek and a warning line.
    const Bytes ico = {0,    0, 1, 0, 0, 0xFF, 0,    0x80, 0xFF, 0, 0,    0, 0, 0,    0,    0, 0,
                       0x21, 1, 0, 0, 0, 0xFF, 0x80, 0,    0,    0, 0x80, 0, 0, 0xFF, 0x80, 0};
    testing::internal::CaptureStderr();
    ExpectError(Write("many.ico", ico));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(QtLoader, WrittenPngReadsBackExactly)
{
    raster::Bitmap b(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            b.SetPixel(x, y, static_cast<raster::Color>(x * 40 + (y * 70 << 8) + ((x ^ y) * 30 << 16)));
    const std::string path = (dir / "out.png").string();
    WritePicture(path, b);
    EXPECT_TRUE(LoadPicture(path).bitmap == b);
    QImage q(QString::fromStdString(path));
    ASSERT_FALSE(q.isNull());
    EXPECT_EQ(q.pixel(4, 2), qRgb(160, 140, 6 * 30));
}

}  // namespace
}  // namespace qel::imaging
