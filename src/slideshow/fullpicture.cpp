#include "slideshow/fullpicture.h"

namespace qel::slideshow {

pictureshow::TPictureShow* NewFullPicture(QWidget* parent, raster::Color background, int stepDelayMs)
{
    auto* picture = new pictureshow::TPictureShow(parent);
    auto& engine = picture->Engine();
    engine.SetAutoSize(false);
    engine.SetBgMode(pictureshow::BackgroundMode::bmNone);
    engine.SetColor(background);
    engine.SetStretch(true);
    engine.SetDelay(stepDelayMs);
    return picture;
}

}  // namespace qel::slideshow
