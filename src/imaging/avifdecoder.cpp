// AVIF pictures through libavif: the primary image (the first frame of a sequence), cut to its clean
// aperture, turned and mirrored as the file's own transformations say. libavif hands these out
// without applying them. As for HEIF, the EXIF orientation tag is not applied on top of them.
// AV1 has no reduced-size decoding: the picture is always decoded in full.
//
// A grid (a picture stored as many small tiles) is decoded here one tile at a time with dav1d, each
// tile turned into its part of the picture before the next: libavif keeps a decoder and the decoded
// tile for every tile until the last one is done (about half a megabyte for each tile), which takes
// gigabytes for a large photo of small tiles. Every size the file states is checked against the size
// rule before anything is decoded. Transparency stored as a grid of the same tiles is decoded with
// them; any other arrangement with a grid is left to libavif when what libavif would hold at once
// stays within the memory of the largest picture the rule allows.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <avif/avif.h>
#include <dav1d/dav1d.h>

#include "imaging/alphacompose.h"
#include "imaging/avifgrid.h"
#include "imaging/decoders.h"
#include "imaging/formatlibraries.h"
#include "imaging/orientation.h"

namespace qel::imaging {
namespace {

constexpr const char* kAv1DecoderPackage = "libdav1d6";
constexpr std::uint8_t kMirrorLeftRight = 1;

// What libavif holds for each tile of a grid while it decodes one, beyond the tile's pixels (its
// AV1 decoder; measured at 0.36 MB a tile with one thread).
constexpr long long kLibraryTileBytes = 512 * 1024;

struct DecoderDestroy {
    void operator()(avifDecoder* d) const { Avif().avifDecoderDestroy(d); }
};

struct ImageDestroy {
    void operator()(avifImage* i) const { Avif().avifImageDestroy(i); }
};

struct Dav1dClose {
    void operator()(Dav1dContext* c) const { Dav1d().dav1d_close(&c); }
};

// A decoded AV1 frame, released on scope exit.
struct Frame {
    Dav1dPicture picture{};
    Frame() = default;
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    ~Frame() { Dav1d().dav1d_picture_unref(&picture); }
};

std::string Cause(avifResult result, const avifDecoder& decoder)
{
    std::string text = Avif().avifResultToString(result);
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

std::string SizeText(long long w, long long h)
{
    return std::to_string(w) + "\u00D7" + std::to_string(h);
}

std::vector<const AvifItemLayout*> ItemsOf(const AvifLayout& layout)
{
    std::vector<const AvifItemLayout*> items{&layout.primary};
    if (layout.alpha)
        items.push_back(&*layout.alpha);
    return items;
}

// Every size the file states, against the size rule: the picture, each image that belongs to it,
// the tiles of each grid side by side. A grid's tiles cover its picture, none wholly outside it.
void CheckLayout(const AvifLayout& layout, long long maxPixels)
{
    for (const AvifItemLayout* item : ItemsOf(layout)) {
        if (item->width > 0 || item->height > 0)
            CheckPictureSize(item->width, item->height, maxPixels);
        if (!item->grid)
            continue;
        const long long tileW = item->tileWidth, tileH = item->tileHeight;
        CheckPictureSize(tileW * item->columns, tileH * item->rows, maxPixels);
        const auto fits = [](long long size, long long tile, long long n) {
            return tile > 0 && size > 0 && tile * n >= size && tile * (n - 1) < size;
        };
        if (!fits(item->width, tileW, item->columns) || !fits(item->height, tileH, item->rows))
            throw PictureError("damaged AVIF picture: its grid of " + SizeText(item->columns, item->rows) +
                               " tiles of " + SizeText(tileW, tileH) + " does not make " +
                               SizeText(item->width, item->height));
    }
}

// libavif decodes every tile of every grid before the first is put in place, each with a decoder
// of its own: all of that must fit in the memory of the largest picture the rule allows. True when
// there are grids.
bool CheckLibraryDecode(const AvifLayout& layout, long long maxPixels)
{
    long long bytes = 0;
    long long tiles = 0;
    for (const AvifItemLayout* item : ItemsOf(layout)) {
        const long long count = static_cast<long long>(item->tileData.size());
        tiles += count;
        bytes += count * (kLibraryTileBytes + kMaxDecodedBytesPerPixel * item->tileWidth * item->tileHeight);
    }
    if (tiles == 0)
        return false;
    const long long w = layout.primary.width, h = layout.primary.height;
    bytes += w * h * kMaxDecodedBytesPerPixel;
    if (bytes > maxPixels * kMaxDecodedBytesPerPixel)
        throw PictureError(TooLarge(
            "the picture is " + SizeText(w, h) + " in " + std::to_string(tiles) + " tiles, which take the memory of " +
                std::to_string(bytes / kMaxDecodedBytesPerPixel / 1'000'000) + " million pixels to decode",
            maxPixels));
    return true;
}

// The transparency of a grid, decoded with it tile by tile when it is a grid of the same tiles.
const AvifItemLayout* AlphaGridOf(const AvifLayout& layout)
{
    const AvifItemLayout& p = layout.primary;
    const std::optional<AvifItemLayout>& a = layout.alpha;
    const bool same = a && a->grid && a->rows == p.rows && a->columns == p.columns && a->width == p.width &&
                      a->height == p.height && a->tileWidth == p.tileWidth && a->tileHeight == p.tileHeight;
    return same ? &*a : nullptr;
}

// One tile's coded data through dav1d: the frame, or an error. The decoder refuses a frame above
// the tile's stated size before taking its memory.
void DecodeTile(Dav1dContext* av1, const AvifPieces& pieces, Frame& frame)
{
    std::size_t size = 0;
    for (const auto& piece : pieces)
        size += piece.size();
    Dav1dData input{};
    std::uint8_t* bytes = Dav1d().dav1d_data_create(&input, size);
    if (!bytes)
        throw std::bad_alloc();
    for (const auto& piece : pieces) {
        std::memcpy(bytes, piece.data(), piece.size());
        bytes += piece.size();
    }
    int result = 0;
    bool decoded = false;
    while (!decoded) {
        if (input.sz > 0) {
            result = Dav1d().dav1d_send_data(av1, &input);
            if (result < 0 && result != DAV1D_ERR(EAGAIN))
                break;
        }
        result = Dav1d().dav1d_get_picture(av1, &frame.picture);
        if (result == 0)
            decoded = true;
        else if (result != DAV1D_ERR(EAGAIN) || input.sz == 0)
            break;
    }
    Dav1d().dav1d_data_unref(&input);
    Dav1d().dav1d_flush(av1);
    if (!decoded)
        throw PictureError("damaged AVIF picture: a tile of its grid does not decode (" +
                           std::string(std::strerror(result < 0 ? -result : EINVAL)) + ")");
}

avifPixelFormat FormatOf(Dav1dPixelLayout layout)
{
    switch (layout) {
    case DAV1D_PIXEL_LAYOUT_I400: return AVIF_PIXEL_FORMAT_YUV400;
    case DAV1D_PIXEL_LAYOUT_I420: return AVIF_PIXEL_FORMAT_YUV420;
    case DAV1D_PIXEL_LAYOUT_I422: return AVIF_PIXEL_FORMAT_YUV422;
    case DAV1D_PIXEL_LAYOUT_I444: return AVIF_PIXEL_FORMAT_YUV444;
    }
    return AVIF_PIXEL_FORMAT_NONE;
}

// Tile i of the grid, decoded and checked to have the size the file states.
void DecodeGridTile(Dav1dContext* av1, const AvifItemLayout& grid, std::size_t i, Frame& frame)
{
    DecodeTile(av1, *grid.tileData[i], frame);
    const Dav1dPictureParameters& p = frame.picture.p;
    if (p.w != static_cast<int>(grid.tileWidth) || p.h != static_cast<int>(grid.tileHeight))
        throw PictureError("damaged AVIF picture: a tile of " + SizeText(grid.tileWidth, grid.tileHeight) +
                           " is coded as " + SizeText(p.w, p.h));
}

// The grid one tile at a time: each is decoded (with its transparency tile when `alpha`), turned
// into its place in the bitmap and released before the next. `colours` holds the colour
// description libavif read.
raster::Bitmap DecodeGrid(const AvifItemLayout& grid, const AvifItemLayout* alpha, const avifImage& colours,
                          raster::Color background)
{
    Dav1dSettings settings;
    Dav1d().dav1d_default_settings(&settings);
    settings.n_threads = 1;
    settings.max_frame_delay = 1;
    settings.all_layers = 0;             // the picture at its full size only
    settings.logger.callback = nullptr;  // a damaged tile is reported by the exception, not on the terminal
    settings.frame_size_limit = grid.tileWidth * grid.tileHeight;
    Dav1dContext* opened = nullptr;
    if (Dav1d().dav1d_open(&opened, &settings) < 0)
        throw std::bad_alloc();
    const std::unique_ptr<Dav1dContext, Dav1dClose> av1(opened);

    const int w = static_cast<int>(grid.width), h = static_cast<int>(grid.height);
    raster::Bitmap bitmap(w, h);
    std::vector<std::uint8_t> withAlpha;
    for (std::size_t i = 0; i < grid.tileData.size(); ++i) {
        Frame frame, alphaFrame;
        DecodeGridTile(av1.get(), grid, i, frame);
        const Dav1dPictureParameters& p = frame.picture.p;
        if (alpha) {
            DecodeGridTile(av1.get(), *alpha, i, alphaFrame);
            if (alphaFrame.picture.p.bpc != p.bpc)
                throw PictureError("damaged AVIF picture: its transparency has another depth than its colours");
        }
        const int x0 = static_cast<int>(i % grid.columns * grid.tileWidth);
        const int y0 = static_cast<int>(i / grid.columns * grid.tileHeight);
        std::unique_ptr<avifImage, ImageDestroy> tile(Avif().avifImageCreateEmpty());
        if (!tile)
            throw std::bad_alloc();
        // The part of the tile inside the picture, read straight from dav1d's planes.
        tile->width = static_cast<std::uint32_t>(std::min(p.w, w - x0));
        tile->height = static_cast<std::uint32_t>(std::min(p.h, h - y0));
        tile->depth = static_cast<std::uint32_t>(p.bpc);
        tile->yuvFormat = FormatOf(p.layout);
        tile->yuvRange = colours.yuvRange;
        tile->colorPrimaries = colours.colorPrimaries;
        tile->transferCharacteristics = colours.transferCharacteristics;
        tile->matrixCoefficients = colours.matrixCoefficients;
        tile->imageOwnsYUVPlanes = AVIF_FALSE;
        tile->imageOwnsAlphaPlane = AVIF_FALSE;
        for (int plane = 0; plane < (p.layout == DAV1D_PIXEL_LAYOUT_I400 ? 1 : 3); ++plane) {
            tile->yuvPlanes[plane] = static_cast<std::uint8_t*>(frame.picture.data[plane]);
            tile->yuvRowBytes[plane] = static_cast<std::uint32_t>(frame.picture.stride[plane == 0 ? 0 : 1]);
        }
        avifRGBImage rgb{};
        if (alpha) {
            tile->alphaPlane = static_cast<std::uint8_t*>(alphaFrame.picture.data[0]);
            tile->alphaRowBytes = static_cast<std::uint32_t>(alphaFrame.picture.stride[0]);
            tile->alphaPremultiplied = colours.alphaPremultiplied;
            Avif().avifRGBImageSetDefaults(&rgb, tile.get());
            rgb.format = AVIF_RGB_FORMAT_BGRA;
            rgb.rowBytes = 4 * tile->width;
            withAlpha.resize(static_cast<std::size_t>(rgb.rowBytes) * tile->height);
            rgb.pixels = withAlpha.data();
        } else {
            Avif().avifRGBImageSetDefaults(&rgb, tile.get());
            rgb.format = AVIF_RGB_FORMAT_BGR;
            rgb.pixels = bitmap.Scanline(y0) + 3 * static_cast<std::size_t>(x0);
            rgb.rowBytes = static_cast<std::uint32_t>(bitmap.Stride());
        }
        rgb.depth = 8;
        const avifResult result = Avif().avifImageYUVToRGB(tile.get(), &rgb);
        // dav1d's planes, not libavif's to free.
        for (auto*& plane : tile->yuvPlanes)
            plane = nullptr;
        tile->alphaPlane = nullptr;
        if (result != AVIF_RESULT_OK)
            throw PictureError("damaged AVIF picture: " + std::string(Avif().avifResultToString(result)));
        for (std::uint32_t y = 0; alpha && y < tile->height; ++y)
            ComposeRowOnBackground(rgb.pixels + static_cast<std::size_t>(y) * rgb.rowBytes, SampleOrder::Bgra,
                                   rgb.alphaPremultiplied != AVIF_FALSE, background,
                                   bitmap.Scanline(y0 + static_cast<int>(y)) + 3 * static_cast<std::size_t>(x0),
                                   static_cast<int>(tile->width));
    }
    return bitmap;
}

// The primary image as libavif decodes it, transparent pixels on the background.
raster::Bitmap DecodeWhole(avifDecoder& decoder, const LoadOptions& options)
{
    avifResult result = Avif().avifDecoderNextImage(&decoder);
    if (result == AVIF_RESULT_NO_CODEC_AVAILABLE)
        throw PictureError(std::string("this AVIF picture needs an AV1 decoder: install ") + kAv1DecoderPackage);
    if (result != AVIF_RESULT_OK)
        throw PictureError("damaged AVIF picture: " + Cause(result, decoder));
    const avifImage& image = *decoder.image;
    const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    CheckPictureSize(w, h, options.maxPixels);

    raster::Bitmap bitmap(w, h);
    avifRGBImage rgb{};
    Avif().avifRGBImageSetDefaults(&rgb, &image);
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
    result = Avif().avifImageYUVToRGB(&image, &rgb);
    if (result != AVIF_RESULT_OK)
        throw PictureError("damaged AVIF picture: " + std::string(Avif().avifResultToString(result)));
    for (int y = 0; alpha && y < h; ++y)
        ComposeRowOnBackground(rgb.pixels + static_cast<std::size_t>(y) * rgb.rowBytes, SampleOrder::Bgra,
                               rgb.alphaPremultiplied != AVIF_FALSE, options.background, bitmap.Scanline(y), w);
    return bitmap;
}

}  // namespace

LoadedPicture DecodeAvif(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    std::unique_ptr<avifDecoder, DecoderDestroy> decoder(Avif().avifDecoderCreate());
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

    avifResult result = Avif().avifDecoderSetIOMemory(decoder.get(), data.data(), data.size());
    if (result == AVIF_RESULT_OK)
        result = Avif().avifDecoderParse(decoder.get());
    if (result != AVIF_RESULT_OK)
        throw PictureError("not a readable AVIF picture: " + Cause(result, *decoder));
    CheckPictureSize(decoder->image->width, decoder->image->height, options.maxPixels);

    const std::optional<AvifLayout> layout = ReadAvifLayout(data);
    if (layout)
        CheckLayout(*layout, options.maxPixels);
    const AvifItemLayout* alpha = layout && decoder->alphaPresent ? AlphaGridOf(*layout) : nullptr;
    raster::Bitmap bitmap;
    if (layout && layout->primary.grid && (!decoder->alphaPresent || alpha)) {
        bitmap = DecodeGrid(layout->primary, alpha, *decoder->image, options.background);
    } else {
        // One decoder for each tile, decoding one after another: threads of their own would only
        // add up.
        if (layout && CheckLibraryDecode(*layout, options.maxPixels))
            decoder->maxThreads = 1;
        bitmap = DecodeWhole(*decoder, options);
    }
    const avifImage& image = *decoder->image;

    if (image.transformFlags & AVIF_TRANSFORM_CLAP) {
        const auto w = static_cast<std::uint32_t>(bitmap.Width()), h = static_cast<std::uint32_t>(bitmap.Height());
        avifCropRect rect{};
        avifDiagnostics diag{};
        // A clean aperture that does not fit the picture is ignored: the whole picture shows.
        const bool valid =
            Avif().avifCropRectConvertCleanApertureBox(&rect, &image.clap, w, h, image.yuvFormat, &diag) != AVIF_FALSE;
        const bool fits = rect.width > 0 && rect.height > 0 && rect.width <= w && rect.height <= h &&
                          rect.x <= w - rect.width && rect.y <= h - rect.height;
        if (valid && fits && (rect.width != w || rect.height != h))
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
