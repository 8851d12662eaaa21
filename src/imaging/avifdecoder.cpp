// AVIF pictures through libavif: the primary image (the first frame of a sequence), cut to its clean
// aperture, turned and mirrored as the file's own transformations say. libavif hands these out
// without applying them. As for HEIF, the EXIF orientation tag is not applied on top of them.
// AV1 has no reduced-size decoding: the picture is always decoded in full.

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <avif/avif.h>

#include "imaging/alphacompose.h"
#include "imaging/decoders.h"
#include "imaging/orientation.h"

namespace qel::imaging {
namespace {

constexpr const char* kAv1DecoderPackage = "libdav1d6";
constexpr std::uint8_t kMirrorLeftRight = 1;

struct DecoderDestroy {
    void operator()(avifDecoder* d) const { avifDecoderDestroy(d); }
};

std::string Cause(avifResult result, const avifDecoder& decoder)
{
    std::string text = avifResultToString(result);
    if (decoder.diag.error[0] != '\0')
        text += std::string(" (") + decoder.diag.error + ")";
    return text;
}

// The turn and mirror of the file ('irot' anticlockwise in quarter turns, then 'imir') as the
// orientation code of orientation.h.
int OrientationOf(const avifImage& image)
{
    // Rows: quarter turns anticlockwise; columns: no mirror, top-bottom, left-right.
    static const int kCode[4][3] = {{1, 4, 2}, {8, 5, 7}, {3, 2, 4}, {6, 7, 5}};
    const int turns = (image.transformFlags & AVIF_TRANSFORM_IROT) ? image.irot.angle & 3 : 0;
    int mirror = 0;
    if (image.transformFlags & AVIF_TRANSFORM_IMIR)
        mirror = image.imir.mode == kMirrorLeftRight ? 2 : 1;
    return kCode[turns][mirror];
}

raster::Bitmap Crop(const raster::Bitmap& full, const avifCropRect& r)
{
    raster::Bitmap out(static_cast<int>(r.width), static_cast<int>(r.height));
    for (int y = 0; y < out.Height(); ++y)
        std::memcpy(out.Scanline(y), full.Scanline(y + static_cast<int>(r.y)) + 3 * static_cast<std::size_t>(r.x),
                    3 * static_cast<std::size_t>(r.width));
    return out;
}

}  // namespace

LoadedPicture DecodeAvif(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    std::unique_ptr<avifDecoder, DecoderDestroy> decoder(avifDecoderCreate());
    if (!decoder)
        throw std::bad_alloc();
    decoder->maxThreads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    // Files of older writers lack properties the format now requires; they still show fine.
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    // The AV1 decoder refuses frames above this before taking their memory; a caller that lowers the
    // pixel limit lowers it too (the file's stated size is checked against the limit itself below).
    constexpr long long kFrameAreaFactor = 16;
    decoder->imageSizeLimit =
        static_cast<std::uint32_t>(std::min(kMaxPicturePixels, kFrameAreaFactor * options.maxPixels));
    decoder->imageDimensionLimit = static_cast<std::uint32_t>(kMaxPictureSide);

    avifResult result = avifDecoderSetIOMemory(decoder.get(), data.data(), data.size());
    if (result == AVIF_RESULT_OK)
        result = avifDecoderParse(decoder.get());
    if (result != AVIF_RESULT_OK)
        throw PictureError("not a readable AVIF picture: " + Cause(result, *decoder));
    CheckPictureSize(decoder->image->width, decoder->image->height, options.maxPixels);

    result = avifDecoderNextImage(decoder.get());
    if (result == AVIF_RESULT_NO_CODEC_AVAILABLE)
        throw PictureError(std::string("this AVIF picture needs an AV1 decoder: install ") + kAv1DecoderPackage);
    if (result != AVIF_RESULT_OK)
        throw PictureError("damaged AVIF picture: " + Cause(result, *decoder));
    const avifImage& image = *decoder->image;
    const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    CheckPictureSize(w, h, options.maxPixels);

    raster::Bitmap bitmap(w, h);
    avifRGBImage rgb{};
    avifRGBImageSetDefaults(&rgb, &image);
    rgb.depth = 8;
    const bool alpha = image.alphaPlane != nullptr;
    // Our own buffer rather than libavif's allocator, which ends the process when memory runs out.
    std::vector<std::uint8_t> withAlpha;
    if (alpha) {
        rgb.format = AVIF_RGB_FORMAT_BGRA;
        rgb.rowBytes = 4 * image.width;
        withAlpha.resize(static_cast<std::size_t>(rgb.rowBytes) * image.height);
        rgb.pixels = withAlpha.data();
    } else {
        // Straight into the bitmap: no second copy of the picture.
        rgb.format = AVIF_RGB_FORMAT_BGR;
        rgb.pixels = bitmap.Scanline(0);
        rgb.rowBytes = static_cast<std::uint32_t>(bitmap.Stride());
    }
    result = avifImageYUVToRGB(&image, &rgb);
    if (result != AVIF_RESULT_OK)
        throw PictureError("damaged AVIF picture: " + std::string(avifResultToString(result)));
    for (int y = 0; alpha && y < h; ++y)
        ComposeRowOnBackground(rgb.pixels + static_cast<std::size_t>(y) * rgb.rowBytes, SampleOrder::Bgra,
                               rgb.alphaPremultiplied != AVIF_FALSE, options.background, bitmap.Scanline(y), w);

    if (image.transformFlags & AVIF_TRANSFORM_CLAP) {
        avifCropRect rect{};
        avifDiagnostics diag{};
        // A clean aperture that does not fit the picture is ignored: the whole picture shows.
        const bool valid = avifCropRectConvertCleanApertureBox(&rect, &image.clap, image.width, image.height,
                                                               image.yuvFormat, &diag) != AVIF_FALSE;
        const bool fits = rect.width > 0 && rect.height > 0 && rect.width <= image.width &&
                          rect.height <= image.height && rect.x <= image.width - rect.width &&
                          rect.y <= image.height - rect.height;
        if (valid && fits && (rect.width != image.width || rect.height != image.height))
            bitmap = Crop(bitmap, rect);
    }
    const int orientation = OrientationOf(image);
    LoadedPicture picture;
    picture.bitmap = orientation == 1 ? std::move(bitmap) : ApplyOrientation(bitmap, orientation);
    picture.width = picture.bitmap.Width();
    picture.height = picture.bitmap.Height();
    return picture;
}

}  // namespace qel::imaging
