#include "samplepictures.h"

#include <memory>

#include <avif/avif.h>
#include <gtest/gtest.h>
#include <libheif/heif.h>

// The HEVC encoder keeps a few blocks of its own until the process ends: not a leak of ours. Read by
// the leak checker of sanitizer builds; unused otherwise.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libx265\n";
}

namespace qel::imaging::samples {
namespace {

constexpr int kHeicQuality = 90;
constexpr int kAvifQuantizer = 10;
constexpr int kAvifFastestSpeed = 10;

// Red, green, blue, alpha samples of `picture`.
Bytes Rgba(const raster::Bitmap& picture, const std::vector<std::uint8_t>& alpha)
{
    Bytes out;
    out.reserve(static_cast<std::size_t>(picture.Width()) * picture.Height() * 4);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const raster::Color c = picture.Pixel(x, y);
            out.push_back(static_cast<std::uint8_t>(c & 0xFF));
            out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
            out.push_back(static_cast<std::uint8_t>((c >> 16) & 0xFF));
            out.push_back(alpha.empty() ? 255 : alpha[static_cast<std::size_t>(y) * picture.Width() + x]);
        }
    return out;
}

heif_error Append(heif_context*, const void* data, size_t size, void* userdata)
{
    auto* out = static_cast<Bytes*>(userdata);
    out->insert(out->end(), static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

}  // namespace

raster::Bitmap Quadrants(int w, int h)
{
    raster::Bitmap b(w, h);
    b.Fill(raster::Rect{0, 0, w / 2, h / 2}, kRed);
    b.Fill(raster::Rect{w / 2, 0, w, h / 2}, kGreen);
    b.Fill(raster::Rect{0, h / 2, w / 2, h}, kBlue);
    b.Fill(raster::Rect{w / 2, h / 2, w, h}, kWhite);
    return b;
}

std::vector<std::uint8_t> LeftHalfClear()
{
    std::vector<std::uint8_t> alpha(static_cast<std::size_t>(kW) * kH, 255);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW / 2; ++x)
            alpha[static_cast<std::size_t>(y) * kW + x] = 0;
    return alpha;
}

void ExpectQuadrants(const LoadedPicture& p, int w, int h, std::array<raster::Color, 4> want, const char* what)
{
    constexpr int kTolerance = 24;
    ASSERT_EQ(p.width, w) << what;
    ASSERT_EQ(p.height, h) << what;
    ASSERT_EQ(p.bitmap.Width(), w) << what;
    ASSERT_EQ(p.bitmap.Height(), h) << what;
    const int xs[2] = {w / 4, 3 * w / 4}, ys[2] = {h / 4, 3 * h / 4};
    for (int i = 0; i < 4; ++i) {
        const raster::Color got = p.bitmap.Pixel(xs[i % 2], ys[i / 2]);
        for (int s = 0; s < 24; s += 8)
            EXPECT_NEAR(static_cast<int>((got >> s) & 0xFF), static_cast<int>((want[i] >> s) & 0xFF), kTolerance)
                << what << ", quadrant " << i << std::hex << ": got " << got << ", want " << want[i];
    }
}

Bytes ExifWithOrientation(int orientation)
{
    // "Exif\0\0", big-endian TIFF header, one IFD with one SHORT entry 0x0112.
    return {'E', 'x', 'i', 'f',  0,    0, 'M', 'M', 0, 42, 0, 0, 0,
            8,   0,   1,   0x01, 0x12, 0, 3,   0,   0, 0,  1, 0, static_cast<std::uint8_t>(orientation),
            0,   0,   0,   0,    0,    0};
}

Bytes EncodeHeic(const raster::Bitmap& picture, const SampleOptions& options)
{
    std::unique_ptr<heif_context, void (*)(heif_context*)> ctx(heif_context_alloc(), &heif_context_free);
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(ctx.get(), heif_compression_HEVC, &rawEncoder).code != heif_error_Ok)
        return {};
    std::unique_ptr<heif_encoder, void (*)(heif_encoder*)> encoder(rawEncoder, &heif_encoder_release);
    heif_encoder_set_lossy_quality(encoder.get(), kHeicQuality);

    const bool alpha = !options.alpha.empty();
    const int w = picture.Width(), h = picture.Height();
    heif_image* rawImage = nullptr;
    heif_image_create(w, h, heif_colorspace_RGB, alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                      &rawImage);
    std::unique_ptr<heif_image, void (*)(const heif_image*)> image(rawImage, &heif_image_release);
    heif_image_add_plane(image.get(), heif_channel_interleaved, w, h, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const Bytes rgba = Rgba(picture, options.alpha);
    const int channels = alpha ? 4 : 3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                plane[y * stride + x * channels + c] = rgba[(static_cast<std::size_t>(y) * w + x) * 4 + c];

    std::unique_ptr<heif_encoding_options, void (*)(heif_encoding_options*)> encoding(heif_encoding_options_alloc(),
                                                                                      &heif_encoding_options_free);
    encoding->image_orientation = static_cast<heif_orientation>(options.orientation);
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_encode_image(ctx.get(), image.get(), encoder.get(), encoding.get(), &rawHandle).code !=
        heif_error_Ok)
        return {};
    std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handle(rawHandle,
                                                                                  &heif_image_handle_release);
    if (options.exifOrientation != 0) {
        const Bytes exif = ExifWithOrientation(options.exifOrientation);
        heif_context_add_exif_metadata(ctx.get(), handle.get(), exif.data() + 6, static_cast<int>(exif.size() - 6));
    }
    Bytes out;
    heif_writer writer{1, &Append};
    if (heif_context_write(ctx.get(), &writer, &out).code != heif_error_Ok)
        return {};
    return out;
}

Bytes EncodeAvif(const raster::Bitmap& picture, const SampleOptions& options, CropRect crop)
{
    const bool alpha = !options.alpha.empty();
    std::unique_ptr<avifImage, void (*)(avifImage*)> image(avifImageCreate(static_cast<std::uint32_t>(picture.Width()),
                                                                           static_cast<std::uint32_t>(picture.Height()),
                                                                           8, AVIF_PIXEL_FORMAT_YUV444),
                                                           &avifImageDestroy);
    Bytes rgba = Rgba(picture, options.alpha);
    avifRGBImage rgb{};
    avifRGBImageSetDefaults(&rgb, image.get());
    rgb.format = AVIF_RGB_FORMAT_RGBA;
    rgb.ignoreAlpha = alpha ? AVIF_FALSE : AVIF_TRUE;
    rgb.pixels = rgba.data();
    rgb.rowBytes = static_cast<std::uint32_t>(picture.Width() * 4);
    if (avifImageRGBToYUV(image.get(), &rgb) != AVIF_RESULT_OK)
        return {};
    if (options.quarterTurns != 0) {
        image->transformFlags |= AVIF_TRANSFORM_IROT;
        image->irot.angle = static_cast<std::uint8_t>(options.quarterTurns);
    }
    if (options.mirror >= 0) {
        image->transformFlags |= AVIF_TRANSFORM_IMIR;
        image->imir.mode = static_cast<std::uint8_t>(options.mirror);
    }
    if (crop.width > 0) {
        const avifCropRect rect{static_cast<std::uint32_t>(crop.x), static_cast<std::uint32_t>(crop.y),
                                static_cast<std::uint32_t>(crop.width), static_cast<std::uint32_t>(crop.height)};
        avifDiagnostics diag{};
        if (!avifCleanApertureBoxConvertCropRect(&image->clap, &rect, image->width, image->height, image->yuvFormat,
                                                 &diag))
            return {};
        image->transformFlags |= AVIF_TRANSFORM_CLAP;
    }
    if (options.exifOrientation != 0) {
        const Bytes exif = ExifWithOrientation(options.exifOrientation);
        avifImageSetMetadataExif(image.get(), exif.data() + 6, exif.size() - 6);
    }

    std::unique_ptr<avifEncoder, void (*)(avifEncoder*)> encoder(avifEncoderCreate(), &avifEncoderDestroy);
    encoder->speed = kAvifFastestSpeed;
    encoder->minQuantizer = encoder->maxQuantizer = kAvifQuantizer;
    encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = kAvifQuantizer;
    avifRWData output = AVIF_DATA_EMPTY;
    if (avifEncoderWrite(encoder.get(), image.get(), &output) != AVIF_RESULT_OK)
        return {};
    Bytes out(output.data, output.data + output.size);
    avifRWDataFree(&output);
    return out;
}

Bytes EncodeAvifGrid(const raster::Bitmap& picture, int columns, int rows, const SampleOptions& options)
{
    const int tileW = picture.Width() / columns, tileH = picture.Height() / rows;
    const bool alpha = !options.alpha.empty();
    using Image = std::unique_ptr<avifImage, void (*)(avifImage*)>;
    std::vector<Image> tiles;
    std::vector<const avifImage*> cells;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            raster::Bitmap part(tileW, tileH);
            std::vector<std::uint8_t> partAlpha;
            for (int y = 0; y < tileH; ++y) {
                for (int x = 0; x < tileW; ++x) {
                    part.SetPixel(x, y, picture.Pixel(c * tileW + x, r * tileH + y));
                    if (alpha)
                        partAlpha.push_back(
                            options.alpha[static_cast<std::size_t>((r * tileH + y) * picture.Width() + c * tileW + x)]);
                }
            }
            tiles.emplace_back(avifImageCreate(static_cast<std::uint32_t>(tileW), static_cast<std::uint32_t>(tileH), 8,
                                               AVIF_PIXEL_FORMAT_YUV444),
                               &avifImageDestroy);
            Bytes rgba = Rgba(part, partAlpha);
            avifRGBImage rgb{};
            avifRGBImageSetDefaults(&rgb, tiles.back().get());
            rgb.format = AVIF_RGB_FORMAT_RGBA;
            rgb.ignoreAlpha = alpha ? AVIF_FALSE : AVIF_TRUE;
            rgb.pixels = rgba.data();
            rgb.rowBytes = static_cast<std::uint32_t>(tileW * 4);
            if (avifImageRGBToYUV(tiles.back().get(), &rgb) != AVIF_RESULT_OK)
                return {};
            cells.push_back(tiles.back().get());
        }
    }
    std::unique_ptr<avifEncoder, void (*)(avifEncoder*)> encoder(avifEncoderCreate(), &avifEncoderDestroy);
    encoder->speed = kAvifFastestSpeed;
    encoder->minQuantizer = encoder->maxQuantizer = kAvifQuantizer;
    encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = kAvifQuantizer;
    avifRWData output = AVIF_DATA_EMPTY;
    if (avifEncoderAddImageGrid(encoder.get(), static_cast<std::uint32_t>(columns), static_cast<std::uint32_t>(rows),
                                cells.data(), AVIF_ADD_IMAGE_FLAG_SINGLE) != AVIF_RESULT_OK ||
        avifEncoderFinish(encoder.get(), &output) != AVIF_RESULT_OK)
        return {};
    Bytes out(output.data, output.data + output.size);
    avifRWDataFree(&output);
    return out;
}

}  // namespace qel::imaging::samples
