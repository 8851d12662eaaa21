// HEIF pictures (the phone photos of ".heic" files) through libheif: the primary image of the file,
// turned and mirrored as its own transformations say, at most 32767 pixels on a side (see
// CodedSideLimit). Their EXIF orientation tag describes the same turn once more (phones write both),
// so it is never applied on top. HEVC has no reduced-size decoding: pictures are decoded in full.

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include <libheif/heif.h>

#include "imaging/alphacompose.h"
#include "imaging/decoders.h"
#include "imaging/formatlibraries.h"

namespace qel::imaging {
namespace {

// The package that gives libheif its HEVC decoder: linked in up to 1.15, a plug-in from then on.
#if LIBHEIF_HAVE_VERSION(1, 16, 0)
constexpr const char* kHevcDecoderPackage = "libheif-plugin-libde265";
#else
constexpr const char* kHevcDecoderPackage = "libde265-0";
#endif
constexpr const char* kAv1DecoderPackage = "libheif-plugin-dav1d";

// libheif refuses any picture in the file, a tile of a grid as well, with a side of this many pixels
// or more. Its own default is far above what a codec codes in one piece (HEVC stays under 17000;
// larger photos are grids of tiles) and keeps a few damaged bytes from asking for gigabytes; raised,
// a tile that claims 60000 x 60000 pixels is allocated before anything fails. A caller that lowers
// the pixel limit lowers this one with it.
constexpr int kCodedSideLimit = 32768;
constexpr long long kTileAreaFactor = 16;

int CodedSideLimit(long long maxPixels)
{
    if (maxPixels >= kMaxPicturePixels)
        return kCodedSideLimit;
    const auto side = static_cast<long long>(std::sqrt(static_cast<double>(kTileAreaFactor * maxPixels))) + 1;
    return static_cast<int>(std::min<long long>(side, kCodedSideLimit));
}

struct ContextFree {
    void operator()(heif_context* c) const { Heif().heif_context_free(c); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { Heif().heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(heif_image* i) const { Heif().heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { Heif().heif_decoding_options_free(o); }
};

std::string Describe(const heif_error& error)
{
    return error.message != nullptr && error.message[0] != '\0' ? error.message : "unknown error";
}

// Whether the file's brand says its pictures are coded with AV1 rather than HEVC.
bool CodedWithAv1(std::span<const std::uint8_t> data)
{
    const int len = static_cast<int>(std::min<std::size_t>(data.size(), 1 << 16));
    const heif_brand brand = Heif().heif_main_brand(data.data(), len);
    return brand == heif_avif || brand == heif_avis;
}

// The cause of a failed decode; a missing codec is named with the package that brings it.
std::string DecodeFailure(const heif_error& error, std::span<const std::uint8_t> data)
{
    const bool noCodec =
        error.code == heif_error_Unsupported_feature && error.subcode == heif_suberror_Unsupported_codec;
    if (noCodec || error.code == heif_error_Decoder_plugin_error) {
        if (CodedWithAv1(data)) {
            if (!Heif().heif_have_decoder_for_format(heif_compression_AV1))
                return std::string("this HEIF picture needs an AV1 decoder: install ") + kAv1DecoderPackage;
        } else if (!Heif().heif_have_decoder_for_format(heif_compression_HEVC)) {
            return std::string("this HEIC picture needs a HEVC decoder: install ") + kHevcDecoderPackage;
        }
    }
    return "damaged HEIF picture: " + Describe(error);
}

}  // namespace

LoadedPicture DecodeHeif(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    // libheif registers its codecs on first use; heif_init does it under a lock, so pictures read
    // on several threads at once find them all. Kept for the life of the process.
    static const bool ready = Heif().heif_init(nullptr).code == heif_error_Ok;
    (void)ready;
    std::unique_ptr<heif_context, ContextFree> context(Heif().heif_context_alloc());
    if (!context)
        throw std::bad_alloc();
    Heif().heif_context_set_maximum_image_size_limit(context.get(), CodedSideLimit(options.maxPixels));
    heif_error error =
        Heif().heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(), nullptr);
    if (error.code != heif_error_Ok)
        throw PictureError("not a readable HEIF picture: " + Describe(error));

    heif_image_handle* primary = nullptr;
    error = Heif().heif_context_get_primary_image_handle(context.get(), &primary);
    std::unique_ptr<heif_image_handle, HandleRelease> handle(primary);
    if (error.code != heif_error_Ok || !handle)
        throw PictureError("the HEIF file holds no picture: " + Describe(error));

    // Both the stored size and the shown one (cropped, turned) before any pixel is decoded. Some
    // writers leave out the stored size: then the shown one stands for it.
    const int storedWidth = Heif().heif_image_handle_get_ispe_width(handle.get());
    const int storedHeight = Heif().heif_image_handle_get_ispe_height(handle.get());
    if (storedWidth > 0 || storedHeight > 0)
        CheckPictureSize(storedWidth, storedHeight, options.maxPixels);
    CheckPictureSize(Heif().heif_image_handle_get_width(handle.get()),
                     Heif().heif_image_handle_get_height(handle.get()), options.maxPixels);

    const bool alpha = Heif().heif_image_handle_has_alpha_channel(handle.get()) != 0;
    std::unique_ptr<heif_decoding_options, OptionsFree> decoding(Heif().heif_decoding_options_alloc());
    if (!decoding)
        throw std::bad_alloc();
    decoding->convert_hdr_to_8bit = 1;
    heif_image* decodedImage = nullptr;
    error =
        Heif().heif_decode_image(handle.get(), &decodedImage, heif_colorspace_RGB,
                                 alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, decoding.get());
    std::unique_ptr<heif_image, ImageRelease> image(decodedImage);
    if (error.code != heif_error_Ok || !image)
        throw PictureError(DecodeFailure(error, data));

    int stride = 0;
    const std::uint8_t* pixels = Heif().heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int w = Heif().heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = Heif().heif_image_get_height(image.get(), heif_channel_interleaved);
    if (pixels == nullptr ||
        Heif().heif_image_get_bits_per_pixel(image.get(), heif_channel_interleaved) != (alpha ? 32 : 24))
        throw PictureError("damaged HEIF picture: the decoder gave no picture");
    CheckPictureSize(w, h, options.maxPixels);

    LoadedPicture picture;
    picture.width = w;
    picture.height = h;
    picture.bitmap.Resize(w, h);
    const bool premultiplied = Heif().heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        if (alpha)
            ComposeRowOnBackground(row, SampleOrder::Rgba, premultiplied, options.background,
                                   picture.bitmap.Scanline(y), w);
        else
            RgbRowToBgr(row, picture.bitmap.Scanline(y), w);
    }
    return picture;
}

}  // namespace qel::imaging
