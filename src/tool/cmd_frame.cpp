// qelsaver-tool frame: one transition of the picture-show control from OLD to NEW, rendered
// without a window.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/pictureloader.h"
#include "imaging/picturewriter.h"
#include "pictureshow/pictureshowengine.h"
#include "pictureshow/random.h"
#include "pictureshow/styles.h"
#include "pictureshow/windowimage.h"
#include "raster/copy.h"
#include "toolcommand.h"
#if QEL_IMAGING_QT
#include "imaging/qtdecoders.h"
#endif

namespace {

using namespace qel::pictureshow;
using qel::raster::Bitmap;
using qel::raster::Rect;
using qel::raster::Region;

void WriteOutput(const std::string& path, const Bitmap& b)
{
    qel::imaging::WritePicture(path, b);
}

Bitmap ReadInput(const std::string& path)
{
#if QEL_IMAGING_QT
    qel::imaging::RegisterQtPictureDecoders();
#endif
    return qel::imaging::LoadPicture(path).bitmap;
}

int Frame(const std::vector<std::string>& argsIn)
{
    using qel::tool::UsageError;
    std::vector<std::string> args = argsIn;
    std::string styleText, progressText, seedText;
    if (!qel::tool::TakeOption(args, "--style", styleText))
        throw UsageError{"--style is required"};
    if (!qel::tool::TakeOption(args, "--progress", progressText))
        throw UsageError{"--progress is required"};
    const bool accumulate = qel::tool::TakeFlag(args, "--accumulate");
    const bool seeded = qel::tool::TakeOption(args, "--seed", seedText);
    if (args.size() != 3)
        throw UsageError{"expected OLD NEW OUT"};
    for (const auto& a : args)
        if (a.starts_with("--"))
            throw UsageError{"unknown option " + a};
    const int style = qel::tool::ParseIntArg(styleText, "style");
    if (style < 0 || style >= kStyleCount)
        throw UsageError{"style must be 0 to 91: " + styleText};
    const int progress = qel::tool::ParseIntArg(progressText, "progress");
    if (progress < 0 || progress > 255)
        throw UsageError{"progress must be 0 to 255: " + progressText};
    if (seeded)
        SetFixedSeed(static_cast<std::uint64_t>(static_cast<std::uint32_t>(qel::tool::ParseIntArg(seedText, "seed"))));

    const Bitmap newPicture = ReadInput(args[1]);
    Bitmap oldPicture = ReadInput(args[0]);
    if (oldPicture.Width() != newPicture.Width() || oldPicture.Height() != newPicture.Height()) {
        Bitmap scaled(newPicture.Width(), newPicture.Height());
        qel::raster::StretchCopy(scaled, scaled.Bounds(), oldPicture, oldPicture.Bounds());
        oldPicture = std::move(scaled);
    }

    WindowImage window(newPicture.Width(), newPicture.Height());
    PictureShowEngine engine(&window);
    window.engine = &engine;
    engine.SetAutoSize(false);
    engine.SetColor(0);

    // First the control shows OLD, as it would after an earlier transition.
    engine.SetPicture(oldPicture);
    engine.SetStyle(seWipeLeft);
    engine.Execute();

    engine.SetPicture(newPicture);
    engine.SetStyle(style);
    engine.SetManual(true);
    engine.Execute();
    if (!accumulate) {
        engine.SetProgress(progress);
        WriteOutput(args[2], engine.Media());
        return 0;
    }
    // The automatic sequence of values, up to the last one not past P.
    while (!engine.AtEnd()) {
        const int next = std::min(engine.Progress() + engine.Step(), engine.ProgressMax());
        if (next > progress)
            break;
        engine.SetProgress(next);
    }
    WriteOutput(args[2], window.image);
    return 0;
}

qel::tool::ToolCommand reg("frame", "frame OLD NEW OUT --style N --progress P [--accumulate] [--seed S]", &Frame);

}  // namespace
