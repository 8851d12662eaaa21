// qelsaver-tool resize IN OUT WIDTH HEIGHT [--filter N] [--support R]

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/filters.h"
#include "imaging/pictureloader.h"
#include "imaging/picturewriter.h"
#include "imaging/resample.h"
#include "toolcommand.h"
#if QEL_IMAGING_QT
#include "imaging/qtdecoders.h"
#endif

namespace qel::tool {
namespace {

float ParseSupport(const std::string& text)
{
    try {
        size_t used = 0;
        const float v = std::stof(text, &used);
        if (used == text.size() && std::isfinite(v) && v >= 0.0f && v <= 100.0f)
            return v;
    } catch (const std::logic_error&) {
    }
    throw UsageError{"bad support (a number from 0 to 100): " + text};
}

int Resize(const std::vector<std::string>& argv)
{
    std::vector<std::string> args = argv;
    std::string filterText, supportText;
    int filter = 5;
    float support = 0.0f;
    if (TakeOption(args, "--filter", filterText)) {
        filter = ParseIntArg(filterText, "filter");
        if (filter < 0 || filter >= imaging::kFilterCount)
            throw UsageError{"filter must be between 0 and " + std::to_string(imaging::kFilterCount - 1) + ": " +
                             filterText};
    }
    if (TakeOption(args, "--support", supportText))
        support = ParseSupport(supportText);
    if (args.size() != 4)
        throw UsageError{"expected IN OUT WIDTH HEIGHT"};
    const int width = ParseIntArg(args[2], "width");
    const int height = ParseIntArg(args[3], "height");
    if (width < 1 || height < 1 || static_cast<long long>(width) * height > imaging::kMaxPicturePixels)
        throw UsageError{"width and height must be at least 1, the picture at most " +
                         std::to_string(imaging::kMaxPicturePixels / 1'000'000) + " megapixels"};
#if QEL_IMAGING_QT
    imaging::RegisterQtPictureDecoders();
#endif
    imaging::LoadedPicture picture = imaging::LoadPicture(args[0]);
    imaging::ScaleBitmap(width, height, filter, picture.bitmap, support);
    imaging::WritePicture(args[1], picture.bitmap);
    return 0;
}

const ToolCommand reg("resize", "resize IN OUT WIDTH HEIGHT [--filter N] [--support R]", &Resize);

}  // namespace
}  // namespace qel::tool
