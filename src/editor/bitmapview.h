#pragma once
// A fixed-size picture area that shows a 24-bit bitmap from its top-left corner, a short note in
// place of a picture, or nothing (the panel's white) when cleared. Used for the Images page's preview and the picture file dialog's.

#include <QImage>
#include <QString>
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
    // Shows `text` in plain words where the picture would be (a file that is missing or cannot be
    // read), so that the previous picture does not stand for this one. Also its tooltip, in case it
    // does not fit.
    void SetPlaceholder(const QString& text);
    [[nodiscard]] const raster::Bitmap& Shown() const { return bitmap_; }
    [[nodiscard]] const QString& Placeholder() const { return placeholder_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SetPlaceholderText(const QString& text);

    raster::Bitmap bitmap_;
    QString placeholder_;
};

// A white, sunken panel that holds `content` at its own size, as the previews sit in the window.
[[nodiscard]] QFrame* SunkenPanel(QWidget* content, QWidget* parent = nullptr);

}  // namespace qel::editor
