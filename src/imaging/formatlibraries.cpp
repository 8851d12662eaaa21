#include "imaging/formatlibraries.h"

#include <stdexcept>
#include <string>

#include "imaging/picture.h"

namespace qel::imaging {
namespace {

std::unique_ptr<platform::LoadedLibrary> Load(const char* soname, const char* format)
{
    try {
        return std::make_unique<platform::LoadedLibrary>(soname);
    } catch (const std::runtime_error& e) {
        throw PictureError(std::string(format) + " pictures need " + soname + ", which cannot be loaded: " + e.what());
    }
}

// Functions come from the very library the program was built against (its soname), so their
// types are those of its header.
template <typename Fn> void Bind(const platform::LoadedLibrary& library, const char* soname, Fn& fn, const char* name)
{
    fn = reinterpret_cast<Fn>(library.Symbol(name));
    if (fn == nullptr)
        throw PictureError(std::string(soname) + " has no function " + name);
}

// Loaded once; a failed load is tried again by the next picture. Never destroyed: a picture may
// still be decoded on a worker while the program ends.
template <typename Functions, typename Fill> const Functions& Once(Fill fill)
{
    static const Functions& functions = *[&] {
        auto f = std::make_unique<Functions>();
        fill(*f);
        return f.release();
    }();
    return functions;
}

}  // namespace

const HeifFunctions& Heif()
{
    return Once<HeifFunctions>([](HeifFunctions& f) {
        const char* so = QEL_HEIF_SONAME;
        f.library = Load(so, "HEIF");
        const platform::LoadedLibrary& l = *f.library;
        Bind(l, so, f.heif_init, "heif_init");
        Bind(l, so, f.heif_have_decoder_for_format, "heif_have_decoder_for_format");
        Bind(l, so, f.heif_main_brand, "heif_main_brand");
        Bind(l, so, f.heif_context_alloc, "heif_context_alloc");
        Bind(l, so, f.heif_context_free, "heif_context_free");
        Bind(l, so, f.heif_context_set_maximum_image_size_limit, "heif_context_set_maximum_image_size_limit");
        Bind(l, so, f.heif_context_read_from_memory_without_copy, "heif_context_read_from_memory_without_copy");
        Bind(l, so, f.heif_context_get_primary_image_handle, "heif_context_get_primary_image_handle");
        Bind(l, so, f.heif_image_handle_release, "heif_image_handle_release");
        Bind(l, so, f.heif_image_handle_get_ispe_width, "heif_image_handle_get_ispe_width");
        Bind(l, so, f.heif_image_handle_get_ispe_height, "heif_image_handle_get_ispe_height");
        Bind(l, so, f.heif_image_handle_get_width, "heif_image_handle_get_width");
        Bind(l, so, f.heif_image_handle_get_height, "heif_image_handle_get_height");
        Bind(l, so, f.heif_image_handle_has_alpha_channel, "heif_image_handle_has_alpha_channel");
        Bind(l, so, f.heif_image_handle_is_premultiplied_alpha, "heif_image_handle_is_premultiplied_alpha");
        Bind(l, so, f.heif_decoding_options_alloc, "heif_decoding_options_alloc");
        Bind(l, so, f.heif_decoding_options_free, "heif_decoding_options_free");
        Bind(l, so, f.heif_decode_image, "heif_decode_image");
        Bind(l, so, f.heif_image_release, "heif_image_release");
        Bind(l, so, f.heif_image_get_plane_readonly, "heif_image_get_plane_readonly");
        Bind(l, so, f.heif_image_get_width, "heif_image_get_width");
        Bind(l, so, f.heif_image_get_height, "heif_image_get_height");
        Bind(l, so, f.heif_image_get_bits_per_pixel, "heif_image_get_bits_per_pixel");
    });
}

const AvifFunctions& Avif()
{
    return Once<AvifFunctions>([](AvifFunctions& f) {
        const char* so = QEL_AVIF_SONAME;
        f.library = Load(so, "AVIF");
        const platform::LoadedLibrary& l = *f.library;
        Bind(l, so, f.avifResultToString, "avifResultToString");
        Bind(l, so, f.avifDecoderCreate, "avifDecoderCreate");
        Bind(l, so, f.avifDecoderDestroy, "avifDecoderDestroy");
        Bind(l, so, f.avifDecoderSetIOMemory, "avifDecoderSetIOMemory");
        Bind(l, so, f.avifDecoderParse, "avifDecoderParse");
        Bind(l, so, f.avifDecoderNextImage, "avifDecoderNextImage");
        Bind(l, so, f.avifImageCreateEmpty, "avifImageCreateEmpty");
        Bind(l, so, f.avifImageDestroy, "avifImageDestroy");
        Bind(l, so, f.avifRGBImageSetDefaults, "avifRGBImageSetDefaults");
        Bind(l, so, f.avifImageYUVToRGB, "avifImageYUVToRGB");
        Bind(l, so, f.avifCropRectConvertCleanApertureBox, "avifCropRectConvertCleanApertureBox");
    });
}

const Dav1dFunctions& Dav1d()
{
    return Once<Dav1dFunctions>([](Dav1dFunctions& f) {
        const char* so = QEL_DAV1D_SONAME;
        f.library = Load(so, "AVIF");
        const platform::LoadedLibrary& l = *f.library;
        Bind(l, so, f.dav1d_default_settings, "dav1d_default_settings");
        Bind(l, so, f.dav1d_open, "dav1d_open");
        Bind(l, so, f.dav1d_close, "dav1d_close");
        Bind(l, so, f.dav1d_flush, "dav1d_flush");
        Bind(l, so, f.dav1d_data_create, "dav1d_data_create");
        Bind(l, so, f.dav1d_data_unref, "dav1d_data_unref");
        Bind(l, so, f.dav1d_send_data, "dav1d_send_data");
        Bind(l, so, f.dav1d_get_picture, "dav1d_get_picture");
        Bind(l, so, f.dav1d_picture_unref, "dav1d_picture_unref");
    });
}

}  // namespace qel::imaging
