#include "imaging/qtdecoders.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>

#include "imaging/decoders.h"
#include "imaging/orientation.h"
#include "imaging/pictureloader.h"
#include "imaging/pngchunks.h"

namespace qel::imaging {
namespace {

constexpr long long kMiB = 1024 * 1024;

// Rows converted at a time: the picture is never held twice over at full size, only the band.
constexpr int kConvertBandRows = 64;

// Transparent and half-transparent pixels are blended over the caller's background colour.
raster::Bitmap ToBitmap(const QImage& image, raster::Color background)
{
    raster::Bitmap out(image.width(), image.height());
    const raster::Rgb rgb = raster::ToRgb(background);
    const unsigned bgR = rgb.red, bgG = rgb.green, bgB = rgb.blue;
    // Pictures already in 32 bits (alpha 255 in RGB32) are read as they are.
    const bool direct = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32;
    for (int top = 0; top < image.height(); top += kConvertBandRows) {
        const int rows = std::min(kConvertBandRows, image.height() - top);
        const QImage argb =
            direct ? image : image.copy(0, top, image.width(), rows).convertToFormat(QImage::Format_ARGB32);
        if (argb.isNull())
            throw PictureError("not enough memory to convert the picture");
        const int first = direct ? top : 0;
        for (int y = 0; y < rows; ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(first + y));
            std::uint8_t* dst = out.Scanline(top + y);
            for (int x = 0; x < argb.width(); ++x, dst += 3) {
                const QRgb p = src[x];
                const unsigned a = static_cast<unsigned>(qAlpha(p));
                auto blend = [a](unsigned c, unsigned bg) {
                    return static_cast<std::uint8_t>((c * a + bg * (255 - a) + 127) / 255);
                };
                dst[0] = blend(static_cast<unsigned>(qBlue(p)), bgB);
                dst[1] = blend(static_cast<unsigned>(qGreen(p)), bgG);
                dst[2] = blend(static_cast<unsigned>(qRed(p)), bgR);
            }
        }
    }
    return out;
}

QString Cause(const QImageReader& reader)
{
    return reader.errorString().isEmpty() ? QStringLiteral("unknown error") : reader.errorString();
}

// `imagesHeld`: how many images the file can hold at most, judged from its size; the largest of
// them is read. 1 reads the first image. `upright`: Qt turns the picture by the orientation the
// file records (TIFF's own tag).
LoadedPicture ReadWithQt(std::span<const std::uint8_t> data, const LoadOptions& options, const char* format,
                         long long imagesHeld, bool upright = false)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(upright);
    if (!reader.canRead()) {
        // TIFF and WebP come with a separate package of Qt's plug-ins.
        static const QList<QByteArray> supported = QImageReader::supportedImageFormats();
        if (!supported.contains(QByteArray(format)))
            throw PictureError(std::string("this system cannot read ") + format +
                               " pictures: install qt6-image-formats-plugins");
        throw PictureError(std::string("not a readable ") + format + " picture");
    }

    int chosen = 0;
    // A count beyond what the file can hold is not believed: each image looked at costs a seek.
    const int count = static_cast<int>(std::min<long long>(reader.imageCount(), imagesHeld));
    if (count > 1) {
        long long best = -1;
        for (int i = 0; i < count; ++i) {
            if (!reader.jumpToImage(i))
                break;
            const QSize s = reader.size();
            const long long area = static_cast<long long>(s.width()) * s.height();
            if (area > best) {
                best = area;
                chosen = i;
            }
        }
        if (!reader.jumpToImage(chosen))
            throw PictureError(std::string("damaged ") + format + " picture");
    }
    const QSize size = reader.size();
    if (size.isValid())
        CheckPictureSize(size.width(), size.height(), options.maxPixels);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw PictureError(std::string("damaged ") + format + " picture: " + Cause(reader).toStdString());
    CheckPictureSize(image.width(), image.height(), options.maxPixels);
    LoadedPicture picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.bitmap = ToBitmap(image, options.background);
    return picture;
}

// An icon file: a 6-byte header, then 16 bytes of directory for each image.
constexpr long long kIconHeaderBytes = 6;
constexpr long long kIconEntryBytes = 16;

LoadedPicture DecodeIcoQt(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    const long long held = (static_cast<long long>(data.size()) - kIconHeaderBytes) / kIconEntryBytes;
    return ReadWithQt(data, options, "ico", std::max(1LL, held));
}

LoadedPicture DecodePngQt(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    // The PNG library takes the memory a chunk claims before it reads the chunk: a lying length
    // would have it ask for gigabytes.
    if (WalkPngChunks(data, {}) == PngWalk::Damaged)
        throw PictureError("damaged png picture: a chunk is longer than the rest of the file");
    return ReadWithQt(data, options, "png", 1);
}

LoadedPicture DecodeTiffQt(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    return ReadWithQt(data, options, "tiff", 1, true);
}

// The orientation in a WebP file's "EXIF" chunk (a TIFF block, after "Exif\0\0" with some
// writers); 1 when there is none. Qt's reader does not look at it.
int WebpOrientation(std::span<const std::uint8_t> data)
{
    constexpr std::size_t kRiffHeader = 12, kChunkHeader = 8;
    static const std::uint8_t kExifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
    if (data.size() < kRiffHeader || std::memcmp(data.data(), "RIFF", 4) != 0 ||
        std::memcmp(data.data() + 8, "WEBP", 4) != 0)
        return 1;
    // The padding byte of the last chunk may be missing, so `at` can pass the end by one.
    for (std::size_t at = kRiffHeader; at <= data.size() && data.size() - at >= kChunkHeader;) {
        const std::uint8_t* chunk = data.data() + at;
        const std::size_t size = chunk[4] | (chunk[5] << 8) | (chunk[6] << 16) | (std::size_t(chunk[7]) << 24);
        const std::size_t room = data.size() - at - kChunkHeader;
        if (size > room)
            return 1;
        if (std::memcmp(chunk, "EXIF", 4) == 0) {
            const std::span<const std::uint8_t> payload(chunk + kChunkHeader, size);
            if (size >= sizeof kExifPrefix && std::memcmp(payload.data(), kExifPrefix, sizeof kExifPrefix) == 0)
                return ExifOrientation(payload);
            std::vector<std::uint8_t> app1(kExifPrefix, kExifPrefix + sizeof kExifPrefix);
            app1.insert(app1.end(), payload.begin(), payload.end());
            return ExifOrientation(app1);
        }
        at += kChunkHeader + size + (size & 1);  // chunks are padded to an even length
    }
    return 1;
}

LoadedPicture DecodeWebpQt(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    LoadedPicture picture = ReadWithQt(data, options, "webp", 1);
    if (const int orientation = WebpOrientation(data); orientation != 1) {
        picture.bitmap = ApplyOrientation(picture.bitmap, orientation);
        picture.width = picture.bitmap.Width();
        picture.height = picture.bitmap.Height();
    }
    return picture;
}

LoadedPicture DecodeBmpQt(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    return ReadWithQt(data, options, "bmp", 1);
}

}  // namespace

void RegisterQtPictureDecoders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Qt refuses pictures above its own memory limit (256 MB by default); the size rule of
        // picture.h is the one that counts, so Qt may take what any picture within it needs.
        QImageReader::setAllocationLimit(static_cast<int>(kMaxPicturePixels * kMaxDecodedBytesPerPixel / kMiB) + 1);
        // The loader says itself why a picture cannot be read; Qt's own lines would only repeat it.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.warning=false"));
        RegisterPictureDecoder("ico", &DecodeIcoQt, 0);
        RegisterPictureDecoder("png", &DecodePngQt, 0);
        RegisterPictureDecoder("bmp", &DecodeBmpQt, 10);
        RegisterPictureDecoder("tif", &DecodeTiffQt, 0);
        RegisterPictureDecoder("tiff", &DecodeTiffQt, 0);
        RegisterPictureDecoder("webp", &DecodeWebpQt, 0);
    });
}

}  // namespace qel::imaging
