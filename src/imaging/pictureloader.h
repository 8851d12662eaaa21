#pragma once
// The picture loader: opens a picture file by its extension ("bmp", "ico", "emf", "wmf", "jpg",
// "jpeg", "gif", "png", "tif", "tiff", "webp", "heic", "heif", "avif") and gives its size and a
// 24-bit bitmap of it.
//
// Decoders are registered per extension. The engine registers JPEG (libjpeg-turbo), GIF (giflib),
// HEIF (libheif), AVIF (libavif) and its own BMP reader on first use; RegisterQtPictureDecoders()
// (imaging/qtdecoders.h) adds icons, PNG, TIFF and WebP through Qt's image readers, and Qt's BMP
// reader for the bitmap variants the own reader leaves out. Metafiles ("emf", "wmf") are recognised but cannot be decoded here.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/picture.h"

namespace qel::imaging {

// Decodes the whole file content. Throws PictureError (the cause only: the loader adds the file
// name) or UnsupportedVariantError.
using PictureDecoder = LoadedPicture (*)(std::span<const std::uint8_t> data, const LoadOptions& options);

// Adds a decoder for `extension` (lower case, no dot). Decoders of one extension are tried by
// ascending priority. Thread-safe.
void RegisterPictureDecoder(const std::string& extension, PictureDecoder decoder, int priority = 0);

// Loads the picture file at `path`. Throws PictureError with a message naming the file and the
// cause (missing, not a regular file, empty, unknown extension, not decodable, corrupt, truncated,
// too large).
LoadedPicture LoadPicture(const std::string& path, const LoadOptions& options);
LoadedPicture LoadPicture(const std::string& path, raster::Color background = 0);

// The decoding step of LoadPicture, for a file's content already in memory: `extension` (any case,
// no dot) picks the decoders. Throws PictureError with the cause only.
LoadedPicture DecodePicture(std::span<const std::uint8_t> data, const std::string& extension,
                            const LoadOptions& options);

// The extensions of picture files, lower case without the dot, in the order file dialogs list them.
const std::vector<std::string>& PictureExtensions();

// Whether `path` ends in one of PictureExtensions() (any case).
bool HasPictureExtension(const std::string& path);

// Appends every picture file under `folder` (the loader's extensions), as base::ListPictureFiles does.
bool ListPictureFiles(const std::string& folder, std::vector<std::string>& list);

// A file-dialog filter text in Qt's form: "All pictures (*.bmp *.ico ...)" followed by one entry per
// extension, e.g. "JPEG Image File (*.jpg)", separated by ";;". Every extension appears as "(*.ext)".
std::string PictureFileFilter();

}  // namespace qel::imaging
