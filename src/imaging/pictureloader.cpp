#include "imaging/pictureloader.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>

#include "base/paths.h"
#include "base/text.h"
#include "imaging/decoders.h"
#include "platform/regularfile.h"

namespace qel::imaging {
namespace {

struct Registered {
    int priority;
    PictureDecoder decoder;
};

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::vector<Registered>> decoders;

    Registry()
    {
        Add("jpg", &DecodeJpeg, 0);
        Add("jpeg", &DecodeJpeg, 0);
        Add("gif", &DecodeGif, 0);
        Add("bmp", &DecodeBmp, 0);
        Add("heic", &DecodeHeif, 0);
        Add("heif", &DecodeHeif, 0);
        Add("avif", &DecodeAvif, 0);
    }
    void Add(const std::string& ext, PictureDecoder decoder, int priority)
    {
        auto& list = decoders[ext];
        for (const auto& r : list)
            if (r.decoder == decoder)
                return;
        list.push_back({priority, decoder});
        std::stable_sort(list.begin(), list.end(),
                         [](const Registered& a, const Registered& b) { return a.priority < b.priority; });
    }
    std::vector<Registered> For(const std::string& ext)
    {
        std::lock_guard lock(mutex);
        auto it = decoders.find(ext);
        return it == decoders.end() ? std::vector<Registered>{} : it->second;
    }
};

Registry& TheRegistry()
{
    // Never destroyed: a picture still being prepared on a worker the program has left to finish
    // on its own may look here while the program ends.
    static Registry& registry = *new Registry;
    return registry;
}

// Room in a picture file for what is not pixels: headers, colour tables, profiles, metadata.
constexpr std::uint64_t kRoomBesidePixels = 64ull << 20;

// The most bytes one pixel takes in a file of each format, stored the roomiest way the format
// allows: 32-bit bitmaps (rows padded to 4 bytes); 16-bit RGBA PNG, also inside icons; a JPEG's
// coefficients coded at their longest in four colour components; GIF's 12-bit codes with their
// block lengths; for the others, TIFF's four 32-bit samples (HEIF, AVIF and WebP need less).
int FileBytesPerPixel(const std::string& ext)
{
    if (ext == "bmp")
        return 4;
    if (ext == "png" || ext == "ico")
        return 9;
    if (ext == "jpg" || ext == "jpeg")
        return 16;
    if (ext == "gif")
        return 2;
    return 16;
}

// The largest file a picture within the size rule can need. A larger one is refused before it is
// read, so a huge file never takes the memory it would fill.
std::uint64_t FileSizeLimit(const std::string& ext)
{
    return static_cast<std::uint64_t>(kMaxPicturePixels) * FileBytesPerPixel(ext) +
           4 * static_cast<std::uint64_t>(kMaxPictureSide) + kRoomBesidePixels;
}

std::vector<std::uint8_t> ReadPictureFile(const std::string& path, const std::string& ext)
{
    const std::uint64_t limit = FileSizeLimit(ext);
    try {
        platform::RegularFile file = platform::RegularFile::Open(path);
        if (file.Size() > limit)
            throw PictureError("the file is " + std::to_string(file.Size()) + " bytes, more than a picture of " +
                               std::to_string(kMaxPicturePixels / 1'000'000) + " megapixels can need");
        return file.ReadAll(limit);
    } catch (const platform::FileError& e) {
        throw PictureError(e.what());
    }
}

// "200", or "0.25" for a limit below a megapixel.
std::string Megapixels(long long pixels)
{
    if (pixels % 1'000'000 == 0)
        return std::to_string(pixels / 1'000'000);
    std::string text =
        std::to_string(pixels / 1'000'000) + "." + std::to_string(1'000'000 + pixels % 1'000'000).substr(1);
    while (text.back() == '0')
        text.pop_back();
    return text;
}

const char* FormatName(const std::string& ext)
{
    if (ext == "bmp")
        return "Bitmaps";
    if (ext == "ico")
        return "Icons";
    if (ext == "emf")
        return "Enhanced Metafiles";
    if (ext == "wmf")
        return "Metafiles";
    if (ext == "jpg" || ext == "jpeg")
        return "JPEG Image File";
    if (ext == "gif")
        return "GIF Image";
    if (ext == "png")
        return "PNG Image";
    if (ext == "tif" || ext == "tiff")
        return "TIFF Image";
    if (ext == "webp")
        return "WebP Image";
    if (ext == "heic" || ext == "heif")
        return "HEIF Image";
    return "AVIF Image";
}

}  // namespace

void CheckPictureSize(long long width, long long height, long long maxPixels)
{
    const std::string size = std::to_string(width) + "\u00D7" + std::to_string(height);
    if (width <= 0 || height <= 0)
        throw PictureError("the picture has no pixels (" + size + ")");
    if (width > kMaxPictureSide || height > kMaxPictureSide)
        throw PictureError("the picture is " + size + ", more than " + std::to_string(kMaxPictureSide) +
                           " pixels on a side");
    if (width * height > maxPixels)
        throw PictureError(TooLarge("the picture is " + size, maxPixels));
}

std::string TooLarge(const std::string& what, long long maxPixels)
{
    return what + ", larger than the " + Megapixels(maxPixels) + " megapixels a picture may have";
}

void RegisterPictureDecoder(const std::string& extension, PictureDecoder decoder, int priority)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.Add(base::AsciiLower(extension), decoder, priority);
}

// The reasons a file of this extension cannot be decoded at all, before it is read; empty when
// decoders for it exist.
std::string UndecodableExtension(const std::string& ext)
{
    if (ext == "wmf" || ext == "emf")
        return "metafile pictures (." + ext + ") cannot be decoded on this system";
    if (!TheRegistry().For(ext).empty())
        return {};
    const auto& known = PictureExtensions();
    if (std::find(known.begin(), known.end(), ext) != known.end())
        return "this build has no decoder for ." + ext + " pictures";
    return ext.empty() ? "the file name has no extension, so its picture format is unknown"
                       : "\"." + ext + "\" is not a picture format that can be loaded";
}

LoadedPicture DecodePicture(std::span<const std::uint8_t> data, const std::string& extension,
                            const LoadOptions& options)
{
    const std::string ext = base::AsciiLower(extension);
    if (std::string why = UndecodableExtension(ext); !why.empty())
        throw PictureError(why);
    if (data.empty())
        throw PictureError("the file is empty");
    std::string cause;
    for (const Registered& r : TheRegistry().For(ext)) {
        try {
            LoadedPicture picture = r.decoder(data, options);
            if (picture.bitmap.IsEmpty() || picture.width <= 0 || picture.height <= 0)
                throw PictureError("the decoder gave no picture");
            return picture;
        } catch (const UnsupportedVariantError& e) {
            cause = e.what();
        } catch (const PictureError&) {
            throw;
        } catch (const std::bad_alloc&) {
            throw PictureError("not enough memory for the picture");
        } catch (const std::exception& e) {
            throw PictureError(std::string("cannot decode the picture: ") + e.what());
        }
    }
    throw PictureError(cause);
}

LoadedPicture LoadPicture(const std::string& path, const LoadOptions& options)
{
    const std::string ext = base::FileExtension(path);
    auto fail = [&](const std::string& cause) -> PictureError {
        return PictureError("Cannot load picture \"" + path + "\": " + cause);
    };
    if (std::string why = UndecodableExtension(ext); !why.empty())
        throw fail(why);
    try {
        return DecodePicture(ReadPictureFile(path, ext), ext, options);
    } catch (const PictureError& e) {
        throw fail(e.what());
    } catch (const std::bad_alloc&) {
        throw fail("not enough memory to read the file");
    }
}

LoadedPicture LoadPicture(const std::string& path, raster::Color background)
{
    LoadOptions options;
    options.background = background;
    return LoadPicture(path, options);
}

const std::vector<std::string>& PictureExtensions()
{
    static const std::vector<std::string> extensions = {"bmp", "ico", "emf",  "wmf",  "jpg",  "jpeg", "gif",
                                                        "png", "tif", "tiff", "webp", "heic", "heif", "avif"};
    return extensions;
}

bool HasPictureExtension(const std::string& path)
{
    const std::string ext = base::FileExtension(path);
    const auto& all = PictureExtensions();
    return !ext.empty() && std::find(all.begin(), all.end(), ext) != all.end();
}

bool ListPictureFiles(const std::string& folder, std::vector<std::string>& list)
{
    return base::ListPictureFiles(folder, list, PictureExtensions());
}

std::string PictureFileFilter()
{
    std::string all = "All pictures (";
    std::string each;
    for (const std::string& ext : PictureExtensions()) {
        if (all.back() != '(')
            all += ' ';
        all += "*." + ext;
        each += std::string(";;") + FormatName(ext) + " (*." + ext + ")";
    }
    return all + ")" + each;
}

}  // namespace qel::imaging
