// The picture loader on files made here: every format decodes, photos are turned upright, and
// damaged, truncated, empty or oversized files of every format give a clear error, never a crash.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <jpeglib.h>

#include "imaging/fitpicture.h"
#include "imaging/pictureloader.h"
#include "imaging/picturewriter.h"
#include "picturefiles.h"

namespace qel::imaging {
namespace {

using Bytes = std::vector<std::uint8_t>;
using raster::Bitmap;

class Loader : public test::PictureFiles {
protected:
    // Loading must fail with a PictureError naming the file.
    void ExpectError(const std::string& path, const std::string& cause = "")
    {
        try {
            LoadPicture(path);
            ADD_FAILURE() << path << " loaded";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(cause), std::string::npos) << e.what();
        }
    }
    // Every prefix of a valid file is an error, except those that lack only `spareTail` bytes the
    // picture does not need; a valid file with bytes flipped loads or fails cleanly.
    void ExpectDamageHandled(const std::string& name, const Bytes& good, size_t spareTail = 0)
    {
        for (size_t n = 0; n + spareTail < good.size(); n += (n < 200 ? 1 : 97))
            ExpectError(Write(name, Bytes(good.begin(), good.begin() + static_cast<long>(n))));
        for (size_t at = 0; at < good.size(); at += 7) {
            Bytes bad = good;
            bad[at] ^= 0x5A;
            try {
                LoadPicture(Write(name, bad));
            } catch (const PictureError&) {
            }
        }
    }
};

// Four quadrants: red top left, green top right, blue bottom left, white bottom right.
Bitmap Quadrants(int w, int h)
{
    Bitmap b(w, h);
    b.Fill(raster::Rect{0, 0, w / 2, h / 2}, 0x0000FF);
    b.Fill(raster::Rect{w / 2, 0, w, h / 2}, 0x00FF00);
    b.Fill(raster::Rect{0, h / 2, w / 2, h}, 0xFF0000);
    b.Fill(raster::Rect{w / 2, h / 2, w, h}, 0xFFFFFF);
    return b;
}

Bytes ExifWithOrientation(int orientation)
{
    // "Exif\0\0", big-endian TIFF header, one IFD with one SHORT entry 0x0112.
    return {'E', 'x', 'i', 'f',  0,    0, 'M', 'M', 0, 42, 0, 0, 0,
            8,   0,   1,   0x01, 0x12, 0, 3,   0,   0, 0,  1, 0, static_cast<std::uint8_t>(orientation),
            0,   0,   0,   0,    0,    0};
}

Bytes EncodeJpeg(const Bitmap& b, int orientation = 1, int quality = 95)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(b.Width());
    c.image_height = static_cast<JDIMENSION>(b.Height());
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    if (orientation != 1) {
        const Bytes exif = ExifWithOrientation(orientation);
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(b.Scanline(static_cast<int>(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
}

// Colour close to an expected one (JPEG is lossy).
void ExpectNear(raster::Color got, raster::Color want, const char* where)
{
    for (int s = 0; s < 24; s += 8)
        EXPECT_NEAR(static_cast<int>((got >> s) & 0xFF), static_cast<int>((want >> s) & 0xFF), 12)
            << where << std::hex << " got " << got << " want " << want;
}

TEST_F(Loader, JpegDecodesAndTurnsPhotosUpright)
{
    const Bitmap q = Quadrants(64, 32);
    const LoadedPicture plain = LoadPicture(Write("a.jpg", EncodeJpeg(q)));
    ASSERT_EQ(plain.width, 64);
    ASSERT_EQ(plain.height, 32);
    ExpectNear(plain.bitmap.Pixel(8, 8), 0x0000FF, "top left");
    ExpectNear(plain.bitmap.Pixel(56, 24), 0xFFFFFF, "bottom right");

    // Stored as seen by the sensor; orientation 6 means "turn clockwise": red moves to the top right.
    const LoadedPicture turned = LoadPicture(Write("b.JPEG", EncodeJpeg(q, 6)));
    ASSERT_EQ(turned.width, 32);
    ASSERT_EQ(turned.height, 64);
    ASSERT_EQ(turned.bitmap.Width(), 32);
    ExpectNear(turned.bitmap.Pixel(24, 8), 0x0000FF, "6: red");
    ExpectNear(turned.bitmap.Pixel(8, 8), 0xFF0000, "6: blue");
    ExpectNear(turned.bitmap.Pixel(24, 56), 0x00FF00, "6: green");

    const LoadedPicture anti = LoadPicture(Write("c.jpg", EncodeJpeg(q, 8)));
    ExpectNear(anti.bitmap.Pixel(8, 56), 0x0000FF, "8: red");
    const LoadedPicture half = LoadPicture(Write("d.jpg", EncodeJpeg(q, 3)));
    ASSERT_EQ(half.width, 64);
    ExpectNear(half.bitmap.Pixel(56, 24), 0x0000FF, "3: red");
    const LoadedPicture mirrored = LoadPicture(Write("e.jpg", EncodeJpeg(q, 2)));
    ExpectNear(mirrored.bitmap.Pixel(56, 8), 0x0000FF, "2: red");
    const LoadedPicture transposed = LoadPicture(Write("f.jpg", EncodeJpeg(q, 5)));
    ExpectNear(transposed.bitmap.Pixel(8, 56), 0x00FF00, "5: green");
    const LoadedPicture transversed = LoadPicture(Write("g.jpg", EncodeJpeg(q, 7)));
    ExpectNear(transversed.bitmap.Pixel(24, 56), 0x0000FF, "7: red");
}

// Files made by other programs: a camera-style EXIF block (little-endian, several tags, the
// orientation among them) and a GIF with a transparent background.
TEST(ShippedPictures, CameraPhotoAndTransparentGif)
{
    const std::string data = QEL_TEST_DATA_DIR "/imaging/";
    const LoadedPicture photo = LoadPicture(data + "camera_orient6.jpg");
    ASSERT_EQ(photo.width, 24);  // stored 40 x 24
    ASSERT_EQ(photo.height, 40);
    ExpectNear(photo.bitmap.Pixel(18, 5), 0x0000FF, "red top right");
    ExpectNear(photo.bitmap.Pixel(5, 5), 0xFF0000, "blue top left");
    ExpectNear(photo.bitmap.Pixel(5, 35), 0xFFFFFF, "white bottom left");
    ExpectNear(photo.bitmap.Pixel(18, 35), 0x00FF00, "green bottom right");

    const LoadedPicture gif = LoadPicture(data + "transparent.gif", 0x00FF00FF);
    ASSERT_EQ(gif.width, 64);
    ASSERT_EQ(gif.height, 48);
    EXPECT_EQ(gif.bitmap.Pixel(0, 0), 0x00FF00FFu);
    EXPECT_EQ(gif.bitmap.Pixel(20, 20), 0x0000FF00u);
    EXPECT_EQ(gif.bitmap.Pixel(48, 30), 0x000000FFu);
}

TEST_F(Loader, JpegMayDecodeReducedForFitting)
{
    // Turned photos are measured upright: 600 x 800 fitted into 160 x 100 is 75 x 100.
    LoadOptions turned;
    turned.fitWidth = 160;
    turned.fitHeight = 100;
    const LoadedPicture t = LoadPicture(Write("turned.jpg", EncodeJpeg(Quadrants(800, 600), 6)), turned);
    EXPECT_EQ(t.width, 600);
    EXPECT_EQ(t.height, 800);
    EXPECT_EQ(t.bitmap.Width(), 75);  // 1/8 scale
    EXPECT_EQ(t.bitmap.Height(), 100);
    ExpectNear(t.bitmap.Pixel(70, 5), 0x0000FF, "red top right");

    const std::string path = Write("big.jpg", EncodeJpeg(Quadrants(800, 600)));
    LoadOptions options;
    options.fitWidth = 160;
    options.fitHeight = 100;  // fitted size 133 x 100
    const LoadedPicture p = LoadPicture(path, options);
    EXPECT_EQ(p.width, 800);
    EXPECT_EQ(p.height, 600);
    EXPECT_LT(p.bitmap.Width(), 400);
    EXPECT_GE(p.bitmap.Width(), 133);
    EXPECT_GE(p.bitmap.Height(), 100);
    // Too close to the target for a reduced decode.
    options.fitWidth = 500;
    options.fitHeight = 400;
    EXPECT_EQ(LoadPicture(path, options).bitmap.Width(), 800);
}

// Grey, progressive and CMYK files (the last as print programs write them: inks stored inverted,
// marked by an Adobe segment).
TEST_F(Loader, JpegVariants)
{
    auto encode = [](int components, J_COLOR_SPACE space, bool progressive, const std::vector<std::uint8_t>& pixel) {
        jpeg_compress_struct c{};
        jpeg_error_mgr err{};
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* out = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&c, &out, &size);
        c.image_width = 16;
        c.image_height = 8;
        c.input_components = components;
        c.in_color_space = space;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 100, TRUE);
        if (progressive)
            jpeg_simple_progression(&c);
        jpeg_start_compress(&c, TRUE);
        std::vector<std::uint8_t> row;
        for (int x = 0; x < 16; ++x)
            row.insert(row.end(), pixel.begin(), pixel.end());
        while (c.next_scanline < c.image_height) {
            JSAMPROW r = row.data();
            jpeg_write_scanlines(&c, &r, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        Bytes bytes(out, out + size);
        std::free(out);
        return bytes;
    };
    ExpectNear(LoadPicture(Write("grey.jpg", encode(1, JCS_GRAYSCALE, false, {100}))).bitmap.Pixel(3, 3), 0x646464,
               "grey");
    ExpectNear(LoadPicture(Write("prog.jpg", encode(3, JCS_RGB, true, {10, 200, 30}))).bitmap.Pixel(3, 3), 0x1EC80A,
               "progressive");
    ExpectNear(LoadPicture(Write("cmyk.jpg", encode(4, JCS_CMYK, false, {255, 0, 0, 255}))).bitmap.Pixel(3, 3),
               0x0000FF, "cmyk red");
}

TEST_F(Loader, DamagedJpegIsAnError)
{
    const Bytes good = EncodeJpeg(Quadrants(48, 40), 6);
    ExpectError(Write("x.jpg", Bytes(good.begin(), good.end() - 40)), "JPEG");
    ExpectDamageHandled("y.jpg", good, 2);  // all but the end marker is still the whole picture
    ExpectError(Write("z.jpg", {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'}), "JPEG");
}

Bytes EncodeGif(int w, int h, int transparentIndex, bool interlace, int screenW, int screenH, int left, int top)
{
    std::vector<GifByteType> out;
    struct Sink {
        static int Put(GifFileType* gif, const GifByteType* data, int n)
        {
            auto* v = static_cast<std::vector<GifByteType>*>(gif->UserData);
            v->insert(v->end(), data, data + n);
            return n;
        }
    };
    int err = 0;
    GifFileType* gif = EGifOpen(&out, &Sink::Put, &err);
    GifColorType colors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colors);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, screenW, screenH, 2, 0, map);
    if (transparentIndex >= 0) {
        GifByteType gce[4] = {0x01, 0, 0, static_cast<GifByteType>(transparentIndex)};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
    }
    EGifPutImageDesc(gif, left, top, w, h, interlace, nullptr);
    // Row y is colour y % 4 in the picture, written in the order interlacing asks for.
    std::vector<int> order;
    if (interlace) {
        for (int p : {0, 4, 2, 1})
            for (int y = p; y < h; y += (p == 0 ? 8 : p == 4 ? 8 : p == 2 ? 4 : 2))
                order.push_back(y);
    } else {
        for (int y = 0; y < h; ++y)
            order.push_back(y);
    }
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int y : order) {
        for (int x = 0; x < w; ++x)
            line[x] = static_cast<GifPixelType>(x == 0 ? 3 : y % 4);
        EGifPutLine(gif, line.data(), w);
    }
    EGifCloseFile(gif, &err);
    GifFreeMapObject(map);
    return Bytes(out.begin(), out.end());
}

TEST_F(Loader, GifFirstFrameWithTransparencyOnTheBackground)
{
    const raster::Color bg = 0x00123456;
    for (bool interlace : {false, true}) {
        const LoadedPicture p = LoadPicture(Write("a.gif", EncodeGif(6, 10, 1, interlace, 8, 12, 1, 1)), bg);
        ASSERT_EQ(p.width, 8);
        ASSERT_EQ(p.height, 12);
        EXPECT_EQ(p.bitmap.Pixel(0, 0), bg);           // outside the frame
        EXPECT_EQ(p.bitmap.Pixel(1, 1), 0x00FFFFFFu);  // frame x 0: white
        EXPECT_EQ(p.bitmap.Pixel(2, 1), 0x000000FFu);  // frame row 0: red
        EXPECT_EQ(p.bitmap.Pixel(2, 2), bg);           // frame row 1: transparent green
        EXPECT_EQ(p.bitmap.Pixel(2, 3), 0x00FF0000u);  // frame row 2: blue
        EXPECT_EQ(p.bitmap.Pixel(3, 10), bg);          // frame row 9: transparent
    }
}

TEST_F(Loader, DamagedGifIsAnError)
{
    const Bytes good = EncodeGif(20, 9, -1, true, 20, 9, 0, 0);
    ExpectDamageHandled("d.gif", good, 2);  // the frame's block terminator and the trailer
    Bytes huge = good;
    huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;  // 65535 x 65535 logical screen
    ExpectError(Write("huge.gif", huge), "65535\u00D765535, larger than");
}

// A hand-made bitmap file: info header of 40 bytes, optional masks and palette.
Bytes MakeBmp(int w, int h, int bpp, std::uint32_t compression, const Bytes& extra, const Bytes& pixels)
{
    Bytes b = {'B', 'M'};
    auto le32 = [&](std::uint32_t v) {
        for (int s = 0; s < 32; s += 8)
            b.push_back(static_cast<std::uint8_t>(v >> s));
    };
    le32(static_cast<std::uint32_t>(54 + extra.size() + pixels.size()));
    le32(0);
    le32(static_cast<std::uint32_t>(54 + extra.size()));
    le32(40);
    le32(static_cast<std::uint32_t>(w));
    le32(static_cast<std::uint32_t>(h));
    b.push_back(1), b.push_back(0), b.push_back(static_cast<std::uint8_t>(bpp)), b.push_back(0);
    le32(compression);
    for (int i = 0; i < 5; ++i)
        le32(0);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

TEST_F(Loader, BitmapsOfEveryDepth)
{
    // 24-bit: our own writer's output reads back exactly.
    const Bitmap q = Quadrants(7, 5);
    EXPECT_TRUE(LoadPicture(Write("a.bmp", EncodeBmp(q))).bitmap == q);

    // 8-bit palette, bottom-up: the first stored row is the bottom one.
    const Bytes palette = {0, 0, 255, 0, 0, 255, 0, 0};  // 0 red, 1 green
    const LoadedPicture p8 = LoadPicture(Write("b.bmp", MakeBmp(3, 2, 8, 0, palette, {0, 1, 0, 0, 1, 1, 1, 0})));
    EXPECT_EQ(p8.bitmap.Pixel(0, 1), 0x000000FFu);
    EXPECT_EQ(p8.bitmap.Pixel(1, 1), 0x0000FF00u);
    EXPECT_EQ(p8.bitmap.Pixel(0, 0), 0x0000FF00u);

    // 1-bit, top-down (negative height).
    const LoadedPicture p1 =
        LoadPicture(Write("c.BMP", MakeBmp(9, static_cast<int>(-1), 1, 0, palette, {0xA0, 0x80, 0, 0})));
    EXPECT_EQ(p1.bitmap.Pixel(0, 0), 0x0000FF00u);
    EXPECT_EQ(p1.bitmap.Pixel(1, 0), 0x000000FFu);
    EXPECT_EQ(p1.bitmap.Pixel(8, 0), 0x0000FF00u);

    // 16-bit 5-6-5 bit fields: pure red and pure blue.
    const Bytes masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    const LoadedPicture p16 = LoadPicture(Write("d.bmp", MakeBmp(2, 1, 16, 3, masks, {0x00, 0xF8, 0x1F, 0x00})));
    EXPECT_EQ(p16.bitmap.Pixel(0, 0), 0x000000FFu);
    EXPECT_EQ(p16.bitmap.Pixel(1, 0), 0x00FF0000u);

    // 32-bit plain: the fourth byte is ignored.
    const LoadedPicture p32 = LoadPicture(Write("e.bmp", MakeBmp(1, 1, 32, 0, {}, {10, 20, 30, 99})));
    EXPECT_EQ(p32.bitmap.Pixel(0, 0), 0x000A141Eu);
}

TEST_F(Loader, DamagedBitmapsAreErrors)
{
    ExpectDamageHandled("a.bmp", EncodeBmp(Quadrants(9, 4)));
    ExpectError(Write("big.bmp", MakeBmp(30000, 30000, 24, 0, {}, {1, 2, 3})),
                "30000\u00D730000, larger than the 200 megapixels");
    ExpectError(Write("neg.bmp", MakeBmp(-5, 3, 24, 0, {}, Bytes(64))), "no pixels");
    ExpectError(Write("min.bmp", MakeBmp(3, static_cast<int>(0x80000000u), 24, 0, {}, Bytes(64))));
    ExpectError(Write("bpp.bmp", MakeBmp(3, 3, 7, 0, {}, Bytes(64))), "bits per pixel");
}

TEST_F(Loader, FilesThatCannotBeLoaded)
{
    ExpectError((dir / "missing.jpg").string(), "No such file");
    ExpectError(Write("empty.jpg", {}), "empty");
    ExpectError(Write("empty.gif", {}), "empty");
    ExpectError(Write("empty.bmp", {}), "empty");
    ExpectError(Write("empty.png", {}));
    ExpectError(Write("empty.ico", {}));
    ExpectError(Write("drawing.wmf", {1, 2, 3}), "metafile");
    ExpectError(Write("drawing.EMF", {1, 2, 3}), "metafile");
    ExpectError(Write("notes.txt", {1, 2, 3}), "not a picture format");
    ExpectError(Write("noextension", {1, 2, 3}), "no extension");
    const Bytes bmp = EncodeBmp(Quadrants(4, 4));
    ExpectError(Write("bitmap.gif", bmp), "GIF");  // the extension decides
}

TEST(PictureFormats, ExtensionsAndDialogFilter)
{
    const std::vector<std::string> expected = {"bmp", "ico", "emf",  "wmf",  "jpg",  "jpeg", "gif",
                                               "png", "tif", "tiff", "webp", "heic", "heif", "avif"};
    EXPECT_EQ(PictureExtensions(), expected);
    const std::string filter = PictureFileFilter();
    for (const std::string& ext : expected)
        EXPECT_NE(filter.find("(*." + ext + ")"), std::string::npos) << ext;
    EXPECT_TRUE(HasPictureExtension("/a/b/Photo.JPG"));
    EXPECT_FALSE(HasPictureExtension("/a/b.jpg/readme"));
    EXPECT_FALSE(HasPictureExtension("/a/b/jpg"));
}

// A JPEG fitted while it decodes gives the bytes of fitting the decoded picture afterwards: reduced
// and full-size decodes, a photo the decoder turns, a screen of another shape; a file cut short
// fails cleanly while the fitting is under way.
TEST_F(Loader, JpegFittedWhileDecodingMatchesFittingAfterwards)
{
    Bitmap photo(600, 400);
    for (int y = 0; y < photo.Height(); ++y)
        for (int x = 0; x < photo.Width(); ++x)
            photo.SetPixel(x, y,
                           static_cast<raster::Color>((x * 255 / 600) | ((y * 255 / 400) << 8) |
                                                      ((((x / 7) ^ (y / 5)) & 0xFF) << 16)));
    for (int orientation : {1, 6}) {
        const std::string path = Write("fit" + std::to_string(orientation) + ".jpg", EncodeJpeg(photo, orientation));
        for (auto [w, h] : {std::pair{200, 150}, {500, 300}, {90, 400}, {1000, 1000}}) {
            SCOPED_TRACE(testing::Message() << "orientation " << orientation << ", screen " << w << "x" << h);
            LoadOptions options;
            options.fitWidth = w;
            options.fitHeight = h;
            const Bitmap afterwards = FitPicture(LoadPicture(path, options), w, h, true, 0x00123456);
            EXPECT_TRUE(LoadFittedPicture(path, w, h, true, 0x00123456) == afterwards);
        }
    }
    const Bytes good = EncodeJpeg(photo);
    for (size_t n : {good.size() / 3, good.size() * 2 / 3, good.size() - 40}) {
        const std::string cut = Write("cut.jpg", Bytes(good.begin(), good.begin() + static_cast<long>(n)));
        EXPECT_THROW(LoadFittedPicture(cut, 200, 150, true, 0), PictureError);
    }
}

TEST(Fitting, SizesAndPlacementOnTheScreen)
{
    EXPECT_EQ(FitToArea(640, 480, 1024, 768).width, 1024);
    EXPECT_EQ(FitToArea(640, 480, 1024, 768).height, 768);
    EXPECT_EQ(FitToArea(100, 400, 1024, 768).width, 192);
    EXPECT_EQ(FitToArea(100, 400, 1024, 768).height, 768);
    EXPECT_EQ(FitToArea(1, 100000, 1024, 768).width, 1);  // never rounds to nothing

    LoadedPicture tall;
    tall.width = 100;
    tall.height = 400;
    tall.bitmap = Bitmap(100, 400);
    tall.bitmap.Fill(0x00FFFFFF);
    const Bitmap screen = FitPicture(tall, 1024, 768, true, 0x000000FF);
    EXPECT_EQ(screen.Pixel(415, 300), 0x000000FFu);
    EXPECT_EQ(screen.Pixel(416, 300), 0x00FFFFFFu);
    EXPECT_EQ(screen.Pixel(607, 767), 0x00FFFFFFu);
    EXPECT_EQ(screen.Pixel(608, 0), 0x000000FFu);

    // At its own size, 2000 x 1000 on 1024 x 768 sits at (-488, -116): its centre shows.
    LoadedPicture wide;
    wide.width = 2000;
    wide.height = 1000;
    wide.bitmap = Bitmap(2000, 1000);
    wide.bitmap.SetPixel(488, 116, 0x00ABCDEF);
    wide.bitmap.SetPixel(488 + 1023, 116 + 767, 0x00FEDCBA);
    const Bitmap cut = FitPicture(wide, 1024, 768, false, 0x000000FF);
    EXPECT_EQ(cut.Pixel(0, 0), 0x00ABCDEFu);
    EXPECT_EQ(cut.Pixel(1023, 767), 0x00FEDCBAu);
}

}  // namespace
}  // namespace qel::imaging
