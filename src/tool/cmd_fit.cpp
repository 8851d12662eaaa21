// qelsaver-tool fit IN OUT SCREEN_W SCREEN_H [--original] [--color C]

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/fitpicture.h"
#include "imaging/picture.h"
#include "imaging/picturewriter.h"
#include "raster/color.h"
#include "toolcommand.h"
#if QEL_IMAGING_QT
#include "imaging/qtdecoders.h"
#endif

namespace qel::tool {
namespace {

constexpr std::size_t kHtmlColorLength = 7;  // "#RRGGBB"

// A colour as users write colours, "#RRGGBB", or as the settings file stores it: signed decimal of
// 0x00BBGGRR (hex with 0x works too).
raster::Color ParseColor(const std::string& text)
{
    if (text.empty() || text[0] != '#')
        return static_cast<raster::Color>(ParseIntArg(text, "colour")) & 0x00FFFFFFu;
    if (text.size() != kHtmlColorLength || text.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
        throw UsageError{"bad colour: " + text + " (write #RRGGBB, or a value as the settings file stores it)"};
    const auto rgb = static_cast<raster::Color>(std::stoul(text.substr(1), nullptr, 16));
    return raster::FromRgb({std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)});
}

int Fit(const std::vector<std::string>& argv)
{
    std::vector<std::string> args = argv;
    const bool original = TakeFlag(args, "--original");
    std::string colorText;
    raster::Color color = 0;
    if (TakeOption(args, "--color", colorText))
        color = ParseColor(colorText);
    if (args.size() != 4)
        throw UsageError{"expected IN OUT SCREEN_W SCREEN_H"};
    const int width = ParseIntArg(args[2], "screen width");
    const int height = ParseIntArg(args[3], "screen height");
    if (width < 1 || height < 1 || static_cast<long long>(width) * height > imaging::kMaxPicturePixels)
        throw UsageError{"the screen size must be at least 1x1 and at most " +
                         std::to_string(imaging::kMaxPicturePixels / 1'000'000) + " megapixels"};
#if QEL_IMAGING_QT
    imaging::RegisterQtPictureDecoders();
#endif
    const raster::Bitmap screen = imaging::LoadFittedPicture(args[0], width, height, !original, color);
    imaging::WritePicture(args[1], screen);
    return 0;
}

const ToolCommand reg("fit", "fit IN OUT SCREEN_W SCREEN_H [--original] [--color C]", &Fit);

}  // namespace
}  // namespace qel::tool
