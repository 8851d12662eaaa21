#include "editor/colorpickerbutton.h"

#include <utility>

#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include "pictureshow/qtcolor.h"

namespace qel::editor {
namespace {

constexpr int kSwatchWidth = 36;
constexpr int kSwatchHeight = 14;

}  // namespace

ColorPickerButton::ColorPickerButton(CustomPicker picker, QWidget* parent)
    : QToolButton(parent), picker_(std::move(picker))
{
    auto* menu = new QMenu(this);
    normal_ = menu->addAction(tr("Normal Color"));
    custom_ = menu->addAction(tr("Custom Color"));
    connect(normal_, &QAction::triggered, this, [this] { Pick(kNormalColor); });
    connect(custom_, &QAction::triggered, this, [this] {
        if (!picker_)
            return;
        if (const auto chosen = picker_(Rgb()))
            Pick(std::int32_t(*chosen & 0x00FFFFFFu));
    });
    setMenu(menu);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(kSwatchWidth, kSwatchHeight));
    UpdateSwatch();
}

void ColorPickerButton::SetValue(std::int32_t value)
{
    value_ = value;
    UpdateSwatch();
}

void ColorPickerButton::Pick(std::int32_t value)
{
    SetValue(value);
    emit colorChanged();
}

void ColorPickerButton::UpdateSwatch()
{
    // Drawn for the screen's pixels, so its edge stays crisp on a doubled screen.
    const qreal ratio = devicePixelRatioF();
    QPixmap swatch(QSize(qRound(kSwatchWidth * ratio), qRound(kSwatchHeight * ratio)));
    swatch.setDevicePixelRatio(ratio);
    swatch.fill(pictureshow::ToQColor(Rgb()));
    {
        QPainter painter(&swatch);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(0, 0, kSwatchWidth - 1, kSwatchHeight - 1);
    }
    setIcon(QIcon(swatch));
    setToolTip(pictureshow::ToQColor(Rgb()).name());
}

}  // namespace qel::editor
