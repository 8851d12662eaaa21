#include "slideshow/picturecycle.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "platform/regularfile.h"

namespace qel::slideshow {

PictureCycle::PictureCycle(std::vector<std::string> pictures, bool random, RandomIndex draw, Report report)
    : pictures_(std::move(pictures)), random_(random), draw_(std::move(draw)), report_(std::move(report))
{
    if (!report_)
        report_ = [](const std::string& m) { std::fprintf(stderr, "QelSaver: %s\n", m.c_str()); };
}

std::optional<raster::Bitmap> PictureCycle::PrepareNext(const Prepare& prepare, bool nothingShownYet)
{
    return Try(PlanNext(nothingShownYet), prepare);
}

PictureCycle::Plan PictureCycle::PlanNext(bool nothingShownYet)
{
    Plan plan;
    const int attempts = pictures_.empty() ? 0 : (nothingShownYet ? Count() : 1);
    for (int i = 0; i < attempts; ++i) {
        current_ = NextIndex(current_, Count(), random_, draw_);
        plan.indices.push_back(current_);
    }
    return plan;
}

std::optional<raster::Bitmap> PictureCycle::Try(const Plan& plan, const Prepare& prepare)
{
    for (int index : plan.indices) {
        if (auto bitmap = TryOne(index, prepare)) {
            current_ = index;
            return bitmap;
        }
    }
    return std::nullopt;
}

std::optional<raster::Bitmap> PictureCycle::TryOne(int index, const Prepare& prepare)
{
    if (index < 0 || index >= Count())
        return std::nullopt;
    const std::string& path = pictures_[std::size_t(index)];
    if (!platform::IsRegularFile(path))
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
