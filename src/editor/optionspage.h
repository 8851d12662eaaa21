#pragma once
// The Options page: how pictures are sized, ordered, timed and coloured, and which inputs end the
// screen saver. The three exit boxes can never all be cleared, and clearing the second mouse box
// keeps the mouse cursor visible, whether the user clicks the boxes or toggles them with the keyboard.

#include <QWidget>

#include "settings/saversettings.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

namespace qel::editor {

class ColorPickerButton;
class EditorDialogs;
class IdleServiceOptions;

class OptionsPage : public QWidget {
    Q_OBJECT
public:
    // The interval's range in seconds.
    static constexpr int kMinInterval = 1;
    static constexpr int kMaxInterval = 999;

    explicit OptionsPage(EditorDialogs& dialogs, QWidget* parent = nullptr);

    // --- components ---
    [[nodiscard]] QComboBox* SizeCombo() const { return sizeCombo_; }
    [[nodiscard]] QRadioButton* rbNormalize() const { return rbNormalize_; }
    [[nodiscard]] QRadioButton* rbRandomize() const { return rbRandomize_; }
    [[nodiscard]] QSpinBox* IntervalEdit() const { return intervalEdit_; }
    [[nodiscard]] ColorPickerButton* btnBgColor() const { return btnBgColor_; }
    [[nodiscard]] QCheckBox* ExitMouseMove() const { return exitMouseMove_; }
    [[nodiscard]] QCheckBox* ExitMouseClick() const { return exitMouseClick_; }
    [[nodiscard]] QCheckBox* ExitKeyPress() const { return exitKeyPress_; }
    [[nodiscard]] QCheckBox* cbShowCursor() const { return cbShowCursor_; }
    // What each picture's caption says; its item index is the settings' caption value.
    [[nodiscard]] QComboBox* cbCaption() const { return cbCaption_; }
    // The idle service's wait and lock (loaded on their own: IdleServiceOptions::Load).
    [[nodiscard]] IdleServiceOptions* IdleService() const { return idleService_; }
    // Pictures pan and zoom while on show (motion 1; any other value shows as still pictures).
    [[nodiscard]] QCheckBox* cbMotion() const { return cbMotion_; }

    // --- the controls and the settings ---
    // Picture size, order, colour, interval (brought into 1..999), caption (an unknown one
    // shows as none) and motion.
    void LoadPictureOptions(const settings::SaverSettings& s);
    // The exit boxes and "Show Mouse Cursor", as they are in the file (no rule runs).
    void LoadExitOptions(const settings::SaverSettings& s);
    // Writes what every control of the page shows into `s`.
    void Store(settings::SaverSettings& s) const;
    [[nodiscard]] settings::CaptionKind Caption() const;
    // The interval as typed: text that is not a number counts as 1; brought into 1..999.
    [[nodiscard]] int Interval() const;

    // --- operations ---
    // When no exit box is checked: says so and returns true.
    bool NoExitEvent();

private:
    // Handlers of the exit boxes (the box has already changed).
    void ExitMouseMoveMouseUp();
    void ExitMouseClickMouseUp();
    void ExitKeyPressMouseUp();
    void MouseBoxChanged(QCheckBox* box);

    QComboBox* sizeCombo_ = nullptr;
    QRadioButton* rbNormalize_ = nullptr;
    QRadioButton* rbRandomize_ = nullptr;
    QSpinBox* intervalEdit_ = nullptr;
    ColorPickerButton* btnBgColor_ = nullptr;
    QCheckBox* exitMouseMove_ = nullptr;
    QCheckBox* exitMouseClick_ = nullptr;
    QCheckBox* exitKeyPress_ = nullptr;
    QCheckBox* cbShowCursor_ = nullptr;
    QComboBox* cbCaption_ = nullptr;
    IdleServiceOptions* idleService_ = nullptr;
    QCheckBox* cbMotion_ = nullptr;
};

}  // namespace qel::editor
