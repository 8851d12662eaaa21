#include "imaging/qtdecoders.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>

#include "imaging/decoders.h"
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
    const unsigned bgR = background & 0xFF, bgG = (background >> 8) & 0xFF, bgB = (background >> 16) & 0xFF;
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
// them is read. 1 reads the first image.
LoadedPicture ReadWithQt(std::span<const std::uint8_t> data, const LoadOptions& options, const char* format,
                         long long imagesHeld)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        throw PictureError(std::string("not a readable ") + format + " picture");

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
    });
}

}  // namespace qel::imaging
