// What captions read of a picture file: EXIF's orientation, date taken and description through the
// one EXIF reader, XMP's description, in JPEG and PNG files, and damaged metadata read safely.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <jpeglib.h>

#include "imaging/exif.h"
#include "imaging/pictureloader.h"
#include "imaging/picturemetadata.h"
#include "picturefiles.h"
#include "raster/bitmap.h"

namespace qel::imaging {
namespace {

using Bytes = std::vector<std::uint8_t>;

class TiffWriter {
public:
    explicit TiffWriter(bool little) : little_(little) {}
    void U16(std::uint32_t v)
    {
        if (little_) {
            bytes.push_back(std::uint8_t(v));
            bytes.push_back(std::uint8_t(v >> 8));
        } else {
            bytes.push_back(std::uint8_t(v >> 8));
            bytes.push_back(std::uint8_t(v));
        }
    }
    void U32(std::uint32_t v)
    {
        U16(little_ ? v & 0xFFFF : v >> 16);
        U16(little_ ? v >> 16 : v & 0xFFFF);
    }
    void Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value)
    {
        U16(tag);
        U16(type);
        U32(count);
        if (type == 3 && count == 1) {
            U16(value);  // a SHORT sits in the first two bytes of the value field
            U16(0);
        } else {
            U32(value);
        }
    }
    Bytes bytes;

private:
    bool little_;
};

// Header; IFD0 with orientation, description and the EXIF directory's offset; the EXIF directory
// with DateTimeOriginal; then the two texts.
Bytes MakeTiff(bool little, const std::string& description, const std::string& date, int orientation = 6,
               std::uint32_t exifDirectory = 50)
{
    TiffWriter w(little);
    w.bytes = little ? Bytes{'I', 'I'} : Bytes{'M', 'M'};
    w.U16(42);
    w.U32(8);
    const std::uint32_t texts = 68;
    w.U16(3);
    w.Entry(0x0112, 3, 1, std::uint32_t(orientation));
    w.Entry(0x010E, 2, std::uint32_t(description.size() + 1), texts);
    w.Entry(0x8769, 4, 1, exifDirectory);
    w.U32(0);
    w.U16(1);
    w.Entry(0x9003, 2, std::uint32_t(date.size() + 1), texts + std::uint32_t(description.size() + 1));
    w.U32(0);
    for (const std::string& text : {description, date}) {
        w.bytes.insert(w.bytes.end(), text.begin(), text.end());
        w.bytes.push_back(0);
    }
    return w.bytes;
}

Bytes WithPrefix(std::string_view prefix, const Bytes& payload)
{
    Bytes out(prefix.begin(), prefix.end());
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes App1Exif(const Bytes& tiff)
{
    return WithPrefix({"Exif\0\0", 6}, tiff);
}

std::string XmpPacket(const std::string& items)
{
    return "<?xpacket begin=''?><x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description>"
           "<dc:description><rdf:Alt>" +
           items + "</rdf:Alt></dc:description></rdf:Description></rdf:RDF></x:xmpmeta>";
}

Bytes JpegWithMarkers(const std::vector<Bytes>& app1Segments)
{
    raster::Bitmap pixels(8, 8);
    pixels.Fill(0x336699);
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    for (const Bytes& segment : app1Segments)
        jpeg_write_marker(&c, JPEG_APP0 + 1, segment.data(), static_cast<unsigned>(segment.size()));
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = pixels.Scanline(static_cast<int>(c.next_scanline));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
}

void PngChunk(Bytes& png, std::string_view type, const Bytes& data)
{
    const auto n = static_cast<std::uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(std::uint8_t(n >> shift));
    png.insert(png.end(), type.begin(), type.end());
    png.insert(png.end(), data.begin(), data.end());
    png.insert(png.end(), 4, 0);  // the CRC: metadata reading does not need it
}

TEST(ExifReader, ReadsOrientationDateAndDescriptionInEitherByteOrder)
{
    for (bool little : {true, false}) {
        const ExifFields f = ReadExifFields(App1Exif(MakeTiff(little, "Harbour at dusk", "2019:03:12 18:40:02")));
        EXPECT_EQ(f.orientation, 6);
        EXPECT_EQ(f.description, "Harbour at dusk");
        ASSERT_TRUE(f.dateTaken);
        EXPECT_EQ(*f.dateTaken, (CalendarDate{2019, 3, 12}));
    }
    // Not EXIF at all: the defaults.
    const ExifFields none = ReadExifFields(WithPrefix("XMP\0\0\0", MakeTiff(true, "x", "2019:03:12 00:00:00")));
    EXPECT_EQ(none.orientation, 1);
    EXPECT_FALSE(none.dateTaken);
}

TEST(ExifReader, DamagedBlocksGiveWhatWasReadBeforeTheDamage)
{
    // Cut anywhere: no read outside the block (the sanitizer builds check), only whole fields.
    const Bytes good = MakeTiff(true, "Harbour at dusk", "2019:03:12 18:40:02");
    for (std::size_t n = 0; n <= good.size(); ++n) {
        const ExifFields f = ReadTiffFields({good.data(), n});
        EXPECT_TRUE(f.orientation == 1 || f.orientation == 6) << n;
        EXPECT_TRUE(f.description.empty() || f.description == "Harbour at dusk") << n;
        EXPECT_EQ(f.dateTaken.has_value(), n == good.size()) << n;
    }
    // The EXIF directory pointing back at the first one is visited once; no date is in it.
    const ExifFields loop = ReadTiffFields(MakeTiff(false, "Loop", "2019:03:12 18:40:02", 3, 8));
    EXPECT_EQ(loop.orientation, 3);
    EXPECT_FALSE(loop.dateTaken);
    // A text that claims more bytes than the block has is no text; an endless one is cut.
    Bytes claims = MakeTiff(true, "Short", "2019:03:12 18:40:02");
    claims[8 + 2 + 12 + 4] = 0xFF;  // the description's count, low byte
    claims[8 + 2 + 12 + 7] = 0x7F;  // ... and high byte
    EXPECT_EQ(ReadTiffFields(claims).description, "");
    const ExifFields endless = ReadTiffFields(MakeTiff(true, std::string(kMaxExifText * 3, 'a'), "2019:03:12"));
    EXPECT_EQ(endless.description.size(), kMaxExifText);
}

TEST(ExifReader, OnlyRealDaysAreDates)
{
    EXPECT_EQ(ParseExifDate("2020:02:29 12:00:00"), (CalendarDate{2020, 2, 29}));
    EXPECT_EQ(ParseExifDate("2004-07-01T08:00"), (CalendarDate{2004, 7, 1}));
    for (const char* bad : {"0000:00:00 00:00:00", "    :  :     :  :  ", "2019:02:29 10:00:00", "2019:13:01",
                            "2019:04:31", "2019:03:1", "2019:03-12", ""})
        EXPECT_FALSE(ParseExifDate(bad)) << bad;
}

class MetadataFile : public test::PictureFiles {
protected:
};

TEST_F(MetadataFile, JpegDescriptionComesFromXmpElseExifAndStockTextsAreNone)
{
    const Bytes exif = App1Exif(MakeTiff(false, "Caf\xE9\r\n  au lait", "2011:08:30 07:15:00"));
    const Bytes xmp = WithPrefix({"http://ns.adobe.com/xap/1.0/\0", 29}, [] {
        const std::string p = XmpPacket("<rdf:li xml:lang='fr-FR'>Le port</rdf:li>"
                                        "<rdf:li xml:lang=\"x-default\">The harbour &amp; the &#x2603;</rdf:li>");
        return Bytes(p.begin(), p.end());
    }());

    const std::string both = Write("both.jpg", JpegWithMarkers({exif, xmp}));
    const PictureMetadata m = ReadPictureMetadata(both);
    EXPECT_EQ(m.description, "The harbour & the \xE2\x98\x83");
    EXPECT_EQ(m.dateTaken, (CalendarDate{2011, 8, 30}));
    EXPECT_TRUE(m.modifiedSeconds);
    EXPECT_NO_THROW((void)LoadPicture(both));

    // EXIF only: its bytes are not UTF-8, so Latin-1; the line break and the blanks become one space.
    EXPECT_EQ(ReadPictureMetadata(Write("exif.JPG", JpegWithMarkers({exif}))).description, "Caf\xC3\xA9 au lait");

    const Bytes stock = App1Exif(MakeTiff(true, "OLYMPUS DIGITAL CAMERA         ", "2011:08:30 07:15:00"));
    EXPECT_EQ(ReadPictureMetadata(Write("stock.jpg", JpegWithMarkers({stock}))).description, "");

    EXPECT_FALSE(ReadPictureMetadata((dir / "missing.jpg").string()).modifiedSeconds);
}

TEST_F(MetadataFile, PngAndWebpChunksGiveTheDateAndTheDescriptionUntilOneIsDamaged)
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PngChunk(png, "IHDR", Bytes(13, 0));
    PngChunk(png, "eXIf", MakeTiff(true, "", "2001:01:02 03:04:05"));
    const std::string packet = XmpPacket("<rdf:li xml:lang='x-default'>Snow &lt;3</rdf:li>");
    PngChunk(png, "iTXt", WithPrefix({"XML:com.adobe.xmp\0\0\0\0\0", 22}, Bytes(packet.begin(), packet.end())));
    PngChunk(png, "IEND", {});
    const PictureMetadata m = ReadPictureMetadata(png, "PNG");
    EXPECT_EQ(m.dateTaken, (CalendarDate{2001, 1, 2}));
    EXPECT_EQ(m.description, "Snow <3");

    // A chunk whose length runs past the end stops the walk; every prefix is read safely.
    for (std::size_t n = 0; n < png.size(); ++n)
        (void)ReadPictureMetadata({png.data(), n}, "png");
    Bytes damaged = png;
    damaged[8 + 25] = 0x7F;  // the length of the chunk after IHDR
    EXPECT_FALSE(ReadPictureMetadata(damaged, "png").dateTaken);

    // WebP: little-endian chunk lengths, odd ones padded; EXIF without the "Exif" prefix.
    Bytes webp = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'};
    auto riffChunk = [&webp](std::string_view type, const Bytes& data) {
        webp.insert(webp.end(), type.begin(), type.end());
        for (int shift = 0; shift < 32; shift += 8)
            webp.push_back(std::uint8_t(data.size() >> shift));
        webp.insert(webp.end(), data.begin(), data.end());
        if (data.size() % 2 == 1)
            webp.push_back(0);
    };
    riffChunk("VP8X", Bytes(9, 0));
    riffChunk("EXIF", MakeTiff(false, "Frost", "2003:02:01 00:00:00"));
    riffChunk("XMP ", Bytes(packet.begin(), packet.end()));
    const PictureMetadata w = ReadPictureMetadata(webp, "webp");
    EXPECT_EQ(w.dateTaken, (CalendarDate{2003, 2, 1}));
    EXPECT_EQ(w.description, "Snow <3");
}

TEST(XmpDescription, DefaultLanguageFirstThenTheFirstItem)
{
    EXPECT_EQ(XmpDescription(XmpPacket("<rdf:li xml:lang='de'>Hafen</rdf:li><rdf:li xml:lang='en'>Port</rdf:li>")),
              "Hafen");
    EXPECT_EQ(XmpDescription(XmpPacket("<rdf:li xml:lang='x-default'/><rdf:list>no</rdf:list>")), "");
    EXPECT_EQ(XmpDescription("<dc:description>Plain &quot;text&quot;</dc:description>"), "Plain \"text\"");
    EXPECT_EQ(XmpDescription("<dc:title><rdf:Alt><rdf:li>Title</rdf:li></rdf:Alt></dc:title>"), "");
    // Unfinished packets end the search.
    EXPECT_EQ(XmpDescription("<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>cut"), "");
}

}  // namespace
}  // namespace qel::imaging
