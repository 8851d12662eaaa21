#pragma once
// The colour-picker button of the Options page: shows the selected colour and drops down a palette
// of two entries, "Normal Color" (black, the default) and "Custom Color", which asks the user for
// any colour. The value is kept exactly as the settings file stores it (a signed 32-bit colour), so
// loading and saving never change it; only its low 24 bits (0x00BBGGRR) are drawn.

#include <cstdint>
#include <functional>
#include <optional>

#include <QToolButton>

#include "raster/bitmap.h"

class QAction;

namespace qel::editor {

class ColorPickerButton : public QToolButton {
    Q_OBJECT
public:
    // Asks the user for a colour, starting from the given one; nullopt when cancelled.
    using CustomPicker = std::function<std::optional<raster::Color>(raster::Color current)>;

    static constexpr std::int32_t kNormalColor = 0;

    explicit ColorPickerButton(CustomPicker picker, QWidget* parent = nullptr);

    [[nodiscard]] std::int32_t Value() const { return value_; }
    // Sets the value without reporting a change (loading settings).
    void SetValue(std::int32_t value);
    // What the value looks like: 0x00BBGGRR.
    [[nodiscard]] raster::Color Rgb() const { return raster::Color(value_) & 0x00FFFFFFu; }

    QAction* NormalColorAction() const { return normal_; }
    QAction* CustomColorAction() const { return custom_; }

signals:
    // The user picked a colour from the palette.
    void colorChanged();

private:
    void Pick(std::int32_t value);
    void UpdateSwatch();

    CustomPicker picker_;
    std::int32_t value_ = kNormalColor;
    QAction* normal_ = nullptr;
    QAction* custom_ = nullptr;
};

}  // namespace qel::editor
