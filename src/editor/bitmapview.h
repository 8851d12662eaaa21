#pragma once
// A picture area that shows a 24-bit bitmap of its own size in device pixels (so a picture is as
// sharp on a doubled screen as on an ordinary one), a short note in place of a picture, or nothing
// (the panel's white) when cleared. Used for the Images page's preview and the picture file dialog's.
// Its owner sets its size; a bitmap of another size is stretched over it until the owner draws one
// for the new size.

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
    // The size a bitmap for this area has: its size in device pixels.
    [[nodiscard]] QSize PixelSize() const;
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
