// GIF pictures through giflib: the first frame only, composed on the logical screen.

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "imaging/decoders.h"

namespace qel::imaging {
namespace {

struct MemoryReader {
    std::span<const std::uint8_t> data;
    size_t at = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int wanted)
{
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(wanted < 0 ? 0 : wanted), r->data.size() - r->at);
    std::memcpy(out, r->data.data() + r->at, n);
    r->at += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void Fail(const char* what, int error)
{
    const char* text = GifErrorString(error);
    throw PictureError(std::string(what) + (text != nullptr ? std::string(": ") + text : std::string()));
}

}  // namespace

LoadedPicture DecodeGif(std::span<const std::uint8_t> data, const LoadOptions& options)
{
    MemoryReader reader{data};
    int error = 0;
    GifHandle gif(DGifOpen(&reader, &ReadFromMemory, &error));
    if (!gif)
        Fail("not a readable GIF picture", error);

    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            Fail("damaged GIF picture", gif->Error);
        if (type == TERMINATE_RECORD_TYPE)
            throw PictureError("the GIF file holds no picture");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif.get(), &code, &ext) == GIF_ERROR)
                Fail("damaged GIF picture", gif->Error);
            // Graphic control block of the first frame: flags, delay, transparent colour index.
            if (code == GRAPHICS_EXT_FUNC_CODE && ext != nullptr && ext[0] >= 4)
                transparent = (ext[1] & 0x01) ? ext[4] : -1;
            while (ext != nullptr) {
                if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR)
                    Fail("damaged GIF picture", gif->Error);
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;

        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            Fail("damaged GIF picture", gif->Error);
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
        if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0)
            throw PictureError("the GIF picture has no colour table");
        CheckPictureSize(desc.Width, desc.Height, options.maxPixels);
        // Some writers leave the logical screen at 0 x 0: the frame then sets the size.
        long long cw = gif->SWidth, ch = gif->SHeight;
        if (cw <= 0 || ch <= 0) {
            cw = static_cast<long long>(desc.Left) + desc.Width;
            ch = static_cast<long long>(desc.Top) + desc.Height;
        }
        CheckPictureSize(cw, ch, options.maxPixels);

        LoadedPicture picture;
        picture.width = static_cast<int>(cw);
        picture.height = static_cast<int>(ch);
        picture.bitmap.Resize(picture.width, picture.height);
        picture.bitmap.Fill(options.background);

        // Colour table entries as BGR; indices past its end show black.
        std::vector<std::uint8_t> bgr(256 * 3, 0);
        for (int i = 0; i < std::min(map->ColorCount, 256); ++i) {
            bgr[3 * i] = map->Colors[i].Blue;
            bgr[3 * i + 1] = map->Colors[i].Green;
            bgr[3 * i + 2] = map->Colors[i].Red;
        }
        std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
        // Interlaced frames arrive in four passes: every 8th row from 0, every 8th from 4, every 4th
        // from 2, every 2nd from 1.
        static const int kStart[4] = {0, 4, 2, 1};
        static const int kStep[4] = {8, 8, 4, 2};
        const int passes = desc.Interlace ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            const int start = desc.Interlace ? kStart[pass] : 0;
            const int step = desc.Interlace ? kStep[pass] : 1;
            for (int row = start; row < desc.Height; row += step) {
                if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR)
                    Fail("damaged or truncated GIF picture", gif->Error);
                const long long y = static_cast<long long>(desc.Top) + row;
                if (y < 0 || y >= ch)
                    continue;
                std::uint8_t* out = picture.bitmap.Scanline(static_cast<int>(y));
                for (int x = 0; x < desc.Width; ++x) {
                    const long long px = static_cast<long long>(desc.Left) + x;
                    if (px >= cw)
                        break;
                    if (line[x] == transparent)
                        continue;
                    std::memcpy(out + 3 * px, &bgr[3 * line[x]], 3);
                }
            }
        }
        return picture;
    }
}

}  // namespace qel::imaging
