// qelsaver-tool fit IN OUT SCREEN_W SCREEN_H [--original] [--color C]

#include <string>
#include <vector>

#include "imaging/fitpicture.h"
#include "imaging/picturewriter.h"
#include "toolcommand.h"
#if QEL_IMAGING_QT
#include "imaging/qtdecoders.h"
#endif

namespace qel::tool {
namespace {

int Fit(const std::vector<std::string>& argv)
{
    std::vector<std::string> args = argv;
    const bool original = TakeFlag(args, "--original");
    std::string colorText;
    // A colour as the settings file stores it: signed decimal of 0x00BBGGRR (hex with 0x works too).
    raster::Color color = 0;
    if (TakeOption(args, "--color", colorText))
        color = static_cast<raster::Color>(ParseIntArg(colorText, "colour")) & 0x00FFFFFFu;
    if (args.size() != 4)
        throw UsageError{"expected IN OUT SCREEN_W SCREEN_H"};
    const int width = ParseIntArg(args[2], "screen width");
    const int height = ParseIntArg(args[3], "screen height");
    if (width < 1 || height < 1 || static_cast<long long>(width) * height > 200'000'000)
        throw UsageError{"the screen size must be at least 1x1 and at most 200 megapixels"};
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
