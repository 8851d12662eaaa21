#pragma once
// Icons ("ico", their largest image), PNG, TIFF (the first page, turned upright by its orientation
// tag) and WebP (turned by its EXIF orientation) through Qt's image readers, and Qt's BMP reader for
// the bitmap variants the engine's own reader leaves out (run-length compression, odd headers).
// Needs QtGui but no application object and no display.

namespace qel::imaging {

// Registers the Qt decoders with the picture loader. Call once at start-up of every program that
// links qel_imaging_qt; calling again does nothing.
void RegisterQtPictureDecoders();

}  // namespace qel::imaging
