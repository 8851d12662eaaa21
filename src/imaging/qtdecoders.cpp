#include "imaging/qtdecoders.h"

#include <cstring>
#include <mutex>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include "imaging/decoders.h"
#include "imaging/pictureloader.h"

namespace qel::imaging {
namespace {

// Transparent and half-transparent pixels are blended over the caller's background colour.
raster::Bitmap ToBitmap(const QImage& image, raster::Color background)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull())
        throw PictureError("not enough memory to convert the picture");
    raster::Bitmap out(argb.width(), argb.height());
    const unsigned bgR = background & 0xFF, bgG = (background >> 8) & 0xFF, bgB = (background >> 16) & 0xFF;
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        std::uint8_t* dst = out.Scanline(y);
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
    return out;
}

QString Cause(const QImageReader& reader)
{
    return reader.errorString().isEmpty() ? QStringLiteral("unknown error") : reader.errorString();
}

LoadedPicture ReadWithQt(std::span<const std::uint8_t> data, const LoadOptions& options, const char* format,
                         bool largestImage)
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
    if (largestImage && reader.imageCount() > 1) {
        long long best = -1;
        for (int i = 0; i < reader.imageCount(); ++i) {
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
        CheckPictureSize(size.width(), size.height());
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw PictureError(std::string("damaged ") + format + " picture: " + Cause(reader).toStdString());
    CheckPictureSize(image.width(), image.height());
    LoadedPicture picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.bitmap = ToBitmap(image, options.background);
    return picture;
}

LoadedPicture DecodeIcoQt(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    return ReadWithQt(data, options, "ico", true);
}

LoadedPicture DecodePngQt(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    return ReadWithQt(data, options, "png", false);
}

LoadedPicture DecodeBmpQt(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    return ReadWithQt(data, options, "bmp", false);
}

}  // namespace

void RegisterQtPictureDecoders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Qt refuses pictures above 256 MB of pixels by default; our own limit (in pixels) is the
        // one that counts.
        QImageReader::setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024)) + 1);
        RegisterPictureDecoder("ico", &DecodeIcoQt, 0);
        RegisterPictureDecoder("png", &DecodePngQt, 0);
        RegisterPictureDecoder("bmp", &DecodeBmpQt, 10);
    });
}

}  // namespace qel::imaging
