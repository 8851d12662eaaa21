#pragma once
// A fixed-size picture area that shows a 24-bit bitmap from its top-left corner, or nothing (the
// panel's white) when cleared. Used for the Images page's preview and the picture file dialog's.

#include <QImage>
#include <QWidget>

#include "raster/bitmap.h"

class QFrame;

namespace qel::editor {

class BitmapView : public QWidget {
public:
    BitmapView(int width, int height, QWidget* parent = nullptr);

    // Shows `bitmap` and paints it at once.
    void SetBitmap(raster::Bitmap bitmap);
    void Clear();
    [[nodiscard]] const raster::Bitmap& Shown() const { return bitmap_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    raster::Bitmap bitmap_;
};

// A white, sunken panel that holds `content` at its own size, as the previews sit in the window.
[[nodiscard]] QFrame* SunkenPanel(QWidget* content, QWidget* parent = nullptr);

}  // namespace qel::editor
