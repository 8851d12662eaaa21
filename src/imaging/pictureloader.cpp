#include "imaging/pictureloader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "base/paths.h"
#include "base/text.h"
#include "imaging/decoders.h"

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
    static Registry registry;
    return registry;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f)
        throw PictureError(std::strerror(errno));
    std::vector<std::uint8_t> data;
    if (std::fseek(f.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(f.get());
        if (size > 0) {
            // No picture within the pixel limit needs more than a few gigabytes of file.
            if (size > 4LL * kMaxPicturePixels)
                throw PictureError("the file is too large for a picture");
            data.reserve(static_cast<size_t>(size));
        }
        std::rewind(f.get());
    }
    std::uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f.get())) > 0)
        data.insert(data.end(), chunk, chunk + got);
    if (std::ferror(f.get()))
        throw PictureError(std::string("read error: ") + std::strerror(errno));
    return data;
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
    return "PNG Image";
}

}  // namespace

void CheckPictureSize(long long width, long long height)
{
    if (width <= 0 || height <= 0)
        throw PictureError("the picture has no pixels (" + std::to_string(width) + "x" + std::to_string(height) + ")");
    if (width > 1'000'000 || height > 1'000'000 || width * height > kMaxPicturePixels)
        throw PictureError("the picture is too large (" + std::to_string(width) + "x" + std::to_string(height) +
                           " pixels; at most " + std::to_string(kMaxPicturePixels / 1'000'000) +
                           " megapixels are loaded)");
}

void RegisterPictureDecoder(const std::string& extension, PictureDecoder decoder, int priority)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.Add(base::AsciiLower(extension), decoder, priority);
}

LoadedPicture LoadPicture(const std::string& path, const LoadOptions& options)
{
    const std::string ext = base::FileExtension(path);
    auto fail = [&](const std::string& cause) -> PictureError {
        return PictureError("Cannot load picture \"" + path + "\": " + cause);
    };
    if (ext == "wmf" || ext == "emf")
        throw fail("metafile pictures (." + ext + ") cannot be decoded on this system");
    const std::vector<Registered> decoders = TheRegistry().For(ext);
    if (decoders.empty()) {
        if (HasPictureExtension(path))
            throw fail("this build has no decoder for ." + ext + " pictures");
        throw fail(ext.empty() ? "the file name has no extension, so its picture format is unknown"
                               : "\"." + ext + "\" is not a picture format that can be loaded");
    }
    std::vector<std::uint8_t> data;
    try {
        data = ReadWholeFile(path);
    } catch (const PictureError& e) {
        throw fail(e.what());
    } catch (const std::bad_alloc&) {
        throw fail("not enough memory to read the file");
    }
    if (data.empty())
        throw fail("the file is empty");
    std::string cause;
    for (const Registered& r : decoders) {
        try {
            LoadedPicture picture = r.decoder(data, options);
            if (picture.bitmap.IsEmpty() || picture.width <= 0 || picture.height <= 0)
                throw PictureError("the decoder gave no picture");
            return picture;
        } catch (const UnsupportedVariant& e) {
            cause = e.what();
        } catch (const PictureError& e) {
            throw fail(e.what());
        } catch (const std::bad_alloc&) {
            throw fail("not enough memory for the picture");
        } catch (const std::exception& e) {
            throw fail(std::string("cannot decode the picture: ") + e.what());
        }
    }
    throw fail(cause);
}

LoadedPicture LoadPicture(const std::string& path, raster::Color background)
{
    LoadOptions options;
    options.background = background;
    return LoadPicture(path, options);
}

const std::vector<std::string>& PictureExtensions()
{
    static const std::vector<std::string> extensions = {"bmp", "ico", "emf", "wmf", "jpg", "jpeg", "gif", "png"};
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
