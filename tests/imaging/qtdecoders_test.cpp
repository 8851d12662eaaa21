// Icons, PNG, TIFF and WebP through Qt's image readers, read as the tool reads them: without an
// application object. Also checks the PNG writer against Qt's reader.

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <gtest/gtest.h>
#include <zlib.h>

#include "imaging/pictureloader.h"
#include "imaging/picturewriter.h"
#include "imaging/qtdecoders.h"
#include "picturefiles.h"
#include "samplepictures.h"

namespace qel::imaging {
namespace {

using Bytes = std::vector<std::uint8_t>;

class QtLoader : public test::PictureFiles {
protected:
    void SetUp() override
    {
        PictureFiles::SetUp();
        RegisterQtPictureDecoders();
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

QImage ToQImage(const raster::Bitmap& b, const std::vector<std::uint8_t>& alpha = {})
{
    QImage image(b.Width(), b.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const raster::Color c = b.Pixel(x, y);
            const int a = alpha.empty() ? 255 : alpha[static_cast<std::size_t>(y) * b.Width() + x];
            image.setPixel(x, y, qRgba(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, a));
        }
    return image;
}

Bytes WriteWithQt(const QImage& image, const char* format,
                  QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setTransformation(turn);
    if (!writer.write(image))
        return {};
    return Bytes(buffer.data().begin(), buffer.data().end());
}

void PutLE(Bytes& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Qt's WebP file with an EXIF chunk added, in the extended layout of a converter that keeps a
// camera's metadata.
Bytes WebpWithExif(const Bytes& simple, int orientation)
{
    const Bytes exif = samples::ExifWithOrientation(orientation);
    constexpr std::uint8_t kHasExif = 0x08;
    constexpr std::size_t kExifPrefix = 6, kRiffHeader = 12;
    Bytes body = {'W', 'E', 'B', 'P', 'V', 'P', '8', 'X'};
    PutLE(body, 10, 4);
    body.insert(body.end(), {kHasExif, 0, 0, 0});
    PutLE(body, samples::kW - 1, 3);
    PutLE(body, samples::kH - 1, 3);
    body.insert(body.end(), simple.begin() + kRiffHeader, simple.end());
    body.insert(body.end(), {'E', 'X', 'I', 'F'});
    PutLE(body, static_cast<std::uint32_t>(exif.size() - kExifPrefix), 4);
    body.insert(body.end(), exif.begin() + kExifPrefix, exif.end());
    if (body.size() % 2 == 1)
        body.push_back(0);
    Bytes file = {'R', 'I', 'F', 'F'};
    PutLE(file, static_cast<std::uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

TEST_F(QtLoader, TiffAndWebpAreTurnedByTheirOrientationAndTakeTheBackground)
{
    using namespace samples;
    const QImage q = ToQImage(Quadrants());
    const Bytes webp = WriteWithQt(q, "webp");
    ASSERT_FALSE(webp.empty()) << "Qt's WebP plug-in is missing";
    ExpectQuadrants(LoadPicture(Write("plain.webp", webp)), kW, kH, {kRed, kGreen, kBlue, kWhite}, "WebP");
    ExpectQuadrants(LoadPicture(Write("camera.webp", WebpWithExif(webp, 6))), kH, kW, {kBlue, kRed, kWhite, kGreen},
                    "WebP with EXIF orientation 6");
    const Bytes tiff = WriteWithQt(q, "tiff", QImageIOHandler::TransformationRotate90);
    ASSERT_FALSE(tiff.empty()) << "Qt's TIFF plug-in is missing";
    ExpectQuadrants(LoadPicture(Write("scan.tif", tiff)), kH, kW, {kBlue, kRed, kWhite, kGreen},
                    "TIFF with orientation tag");

    constexpr raster::Color kBackground = 0x00336699;
    const QImage clear = ToQImage(Quadrants(), LeftHalfClear());
    const std::array<raster::Color, 4> want = {kBackground, kGreen, kBackground, kWhite};
    ExpectQuadrants(LoadPicture(Write("a.webp", WriteWithQt(clear, "webp")), kBackground), kW, kH, want, "WebP");
    ExpectQuadrants(LoadPicture(Write("a.tiff", WriteWithQt(clear, "tiff")), kBackground), kW, kH, want, "TIFF");
}

TEST_F(QtLoader, DamagedTiffAndWebpAreErrors)
{
    const QImage q = ToQImage(samples::Quadrants());
    for (const char* ext : {"webp", "tiff"}) {
        SCOPED_TRACE(ext);
        const Bytes good = WriteWithQt(q, ext);
        ASSERT_FALSE(good.empty());
        for (std::size_t n : {std::size_t{1}, std::size_t{11}, good.size() / 3, good.size() / 2})
            EXPECT_THROW(DecodePicture({good.data(), n}, ext, {}), PictureError) << n << " bytes";
        for (std::size_t at = 0; at < good.size(); at += 13) {
            Bytes bad = good;
            bad[at] ^= 0x5A;
            try {
                (void)DecodePicture(bad, ext, {});
            } catch (const PictureError&) {
            }
        }
        // A chunk claiming more bytes than the file holds.
        Bytes lying = WebpWithExif(WriteWithQt(q, "webp"), 6);
        lying[lying.size() - 30] = 0xFF;
        try {
            (void)DecodePicture(lying, "webp", {});
        } catch (const PictureError&) {
        }
        LoadOptions small;
        small.maxPixels = samples::kW * samples::kH - 1;
        EXPECT_THROW(DecodePicture(good, ext, small), PictureError);
    }
}

}  // namespace
}  // namespace qel::imaging
