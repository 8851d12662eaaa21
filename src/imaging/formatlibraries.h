#pragma once
// The libraries of the newer picture formats — libheif, libavif and the AV1 decoder dav1d — are
// loaded the first time a picture of theirs is decoded, not when a program starts: with the codecs
// they bring in, loading them at start took longer than fitting a photo to the screen, and most
// shows hold none of these pictures. Each accessor loads its library once (thread-safe) and keeps it
// for the life of the process; the decoders call through the functions it gives.
//
// Every accessor throws PictureError naming the library when it cannot be loaded or lacks one of
// the functions.

#include <memory>

#include <avif/avif.h>
#include <dav1d/dav1d.h>
#include <libheif/heif.h>

#include "platform/libraries.h"

namespace qel::imaging {

struct HeifFunctions {
    decltype(&::heif_init) heif_init;
    decltype(&::heif_have_decoder_for_format) heif_have_decoder_for_format;
    decltype(&::heif_main_brand) heif_main_brand;
    decltype(&::heif_context_alloc) heif_context_alloc;
    decltype(&::heif_context_free) heif_context_free;
    decltype(&::heif_context_set_maximum_image_size_limit) heif_context_set_maximum_image_size_limit;
    decltype(&::heif_context_read_from_memory_without_copy) heif_context_read_from_memory_without_copy;
    decltype(&::heif_context_get_primary_image_handle) heif_context_get_primary_image_handle;
    decltype(&::heif_image_handle_release) heif_image_handle_release;
    decltype(&::heif_image_handle_get_ispe_width) heif_image_handle_get_ispe_width;
    decltype(&::heif_image_handle_get_ispe_height) heif_image_handle_get_ispe_height;
    decltype(&::heif_image_handle_get_width) heif_image_handle_get_width;
    decltype(&::heif_image_handle_get_height) heif_image_handle_get_height;
    decltype(&::heif_image_handle_has_alpha_channel) heif_image_handle_has_alpha_channel;
    decltype(&::heif_image_handle_is_premultiplied_alpha) heif_image_handle_is_premultiplied_alpha;
    decltype(&::heif_decoding_options_alloc) heif_decoding_options_alloc;
    decltype(&::heif_decoding_options_free) heif_decoding_options_free;
    decltype(&::heif_decode_image) heif_decode_image;
    decltype(&::heif_image_release) heif_image_release;
    decltype(&::heif_image_get_plane_readonly) heif_image_get_plane_readonly;
    decltype(&::heif_image_get_width) heif_image_get_width;
    decltype(&::heif_image_get_height) heif_image_get_height;
    decltype(&::heif_image_get_bits_per_pixel) heif_image_get_bits_per_pixel;
    std::unique_ptr<platform::LoadedLibrary> library;
};

struct AvifFunctions {
    decltype(&::avifResultToString) avifResultToString;
    decltype(&::avifDecoderCreate) avifDecoderCreate;
    decltype(&::avifDecoderDestroy) avifDecoderDestroy;
    decltype(&::avifDecoderSetIOMemory) avifDecoderSetIOMemory;
    decltype(&::avifDecoderParse) avifDecoderParse;
    decltype(&::avifDecoderNextImage) avifDecoderNextImage;
    decltype(&::avifImageCreateEmpty) avifImageCreateEmpty;
    decltype(&::avifImageDestroy) avifImageDestroy;
    decltype(&::avifRGBImageSetDefaults) avifRGBImageSetDefaults;
    decltype(&::avifImageYUVToRGB) avifImageYUVToRGB;
    decltype(&::avifCropRectConvertCleanApertureBox) avifCropRectConvertCleanApertureBox;
    std::unique_ptr<platform::LoadedLibrary> library;
};

struct Dav1dFunctions {
    decltype(&::dav1d_default_settings) dav1d_default_settings;
    decltype(&::dav1d_open) dav1d_open;
    decltype(&::dav1d_close) dav1d_close;
    decltype(&::dav1d_flush) dav1d_flush;
    decltype(&::dav1d_data_create) dav1d_data_create;
    decltype(&::dav1d_data_unref) dav1d_data_unref;
    decltype(&::dav1d_send_data) dav1d_send_data;
    decltype(&::dav1d_get_picture) dav1d_get_picture;
    decltype(&::dav1d_picture_unref) dav1d_picture_unref;
    std::unique_ptr<platform::LoadedLibrary> library;
};

const HeifFunctions& Heif();
const AvifFunctions& Avif();
const Dav1dFunctions& Dav1d();

}  // namespace qel::imaging
