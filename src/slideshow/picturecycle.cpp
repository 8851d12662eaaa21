#include "slideshow/picturecycle.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <utility>

namespace qel::slideshow {

PictureCycle::PictureCycle(std::vector<std::string> pictures, bool random, RandomIndex draw, Report report)
    : pictures_(std::move(pictures)), random_(random), draw_(std::move(draw)), report_(std::move(report))
{
    if (!report_)
        report_ = [](const std::string& m) { std::fprintf(stderr, "QelSaver: %s\n", m.c_str()); };
}

std::optional<raster::Bitmap> PictureCycle::PrepareNext(const Prepare& prepare, bool nothingShownYet)
{
    if (pictures_.empty())
        return std::nullopt;
    const int attempts = nothingShownYet ? Count() : 1;
    for (int i = 0; i < attempts; ++i) {
        current_ = NextIndex(current_, Count(), random_, draw_);
        if (auto bitmap = TryCurrent(prepare))
            return bitmap;
    }
    return std::nullopt;
}

std::optional<raster::Bitmap> PictureCycle::TryCurrent(const Prepare& prepare)
{
    const std::string& path = pictures_[std::size_t(current_)];
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return std::nullopt;  // a missing file is passed over silently
    try {
        return prepare(path);
    } catch (const std::exception& e) {
        if (reported_.insert(path).second)
            report_(e.what());
    }
    return std::nullopt;
}

}  // namespace qel::slideshow
