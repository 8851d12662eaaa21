#include "editor/optionspage.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "editor/colorpickerbutton.h"
#include "editor/editordialogs.h"
#include "editor/idleserviceoptions.h"
#include "platform/messagebox.h"

namespace qel::editor {
namespace {

// Rows close together: the page is as high as the classic window allows.
constexpr int kRowSpacing = 4;
constexpr const char* kNoExitEventMessage = "At least one Screen Saver Exit Event must be selected!";

// Index `index` of the combo box, or no item at all when the list has no such index.
void SelectItem(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

QLabel* LabelFor(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

OptionsPage::OptionsPage(EditorDialogs& dialogs, QWidget* parent) : QWidget(parent)
{
    auto* pictures = new QGroupBox(this);
    sizeCombo_ = new QComboBox(pictures);
    sizeCombo_->setObjectName(QStringLiteral("SizeCombo"));
    sizeCombo_->addItems({tr("Original"), tr("Fit to Screen")});
    rbNormalize_ = new QRadioButton(tr("Normalize"), pictures);
    rbNormalize_->setObjectName(QStringLiteral("rbNormalize"));
    rbRandomize_ = new QRadioButton(tr("Randomize"), pictures);
    rbRandomize_->setObjectName(QStringLiteral("rbRandomize"));
    intervalEdit_ = new QSpinBox(pictures);
    intervalEdit_->setObjectName(QStringLiteral("IntervalEdit"));
    intervalEdit_->setRange(kMinInterval, kMaxInterval);
    cbCaption_ = new QComboBox(pictures);
    cbCaption_->setObjectName(QStringLiteral("cbCaption"));
    // In the order of the settings' caption values.
    cbCaption_->addItems({tr("None"), tr("File Name"), tr("Date Taken"), tr("Description"), tr("Date and Name")});
    cbMotion_ = new QCheckBox(tr("Pan and Zoom Pictures"), pictures);
    cbMotion_->setObjectName(QStringLiteral("cbMotion"));
    cbMotion_->setToolTip(tr("Each picture drifts and zooms slowly while it is on screen"));
    btnBgColor_ = new ColorPickerButton(
        [this, &dialogs](raster::Color current) { return dialogs.ChooseColor(window(), current); }, pictures);
    btnBgColor_->setObjectName(QStringLiteral("btnBgColor"));

    auto* sequence = new QHBoxLayout;
    sequence->addWidget(rbNormalize_);
    sequence->addWidget(rbRandomize_);
    sequence->addStretch();
    auto* grid = new QGridLayout(pictures);
    grid->addWidget(LabelFor(tr("Image Size:"), sizeCombo_, pictures), 0, 0);
    grid->addWidget(sizeCombo_, 0, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("Sequence:"), pictures), 1, 0);
    grid->addLayout(sequence, 1, 1);
    grid->addWidget(LabelFor(tr("Intervals (secs) :"), intervalEdit_, pictures), 2, 0);
    grid->addWidget(intervalEdit_, 2, 1, Qt::AlignLeft);
    grid->addWidget(LabelFor(tr("Background Color:"), btnBgColor_, pictures), 3, 0);
    grid->addWidget(btnBgColor_, 3, 1, Qt::AlignLeft);
    grid->addWidget(LabelFor(tr("Caption:"), cbCaption_, pictures), 4, 0);
    grid->addWidget(cbCaption_, 4, 1, Qt::AlignLeft);
    grid->addWidget(cbMotion_, 5, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(kRowSpacing);

    auto* exits = new QGroupBox(this);
    exitMouseMove_ = new QCheckBox(tr("Mouse Move"), exits);
    exitMouseMove_->setObjectName(QStringLiteral("ExitMouseMove"));
    exitMouseClick_ = new QCheckBox(tr("Mouse Click"), exits);
    exitMouseClick_->setObjectName(QStringLiteral("ExitMouseClick"));
    exitKeyPress_ = new QCheckBox(tr("Key Press"), exits);
    exitKeyPress_->setObjectName(QStringLiteral("ExitKeyPress"));
    cbShowCursor_ = new QCheckBox(tr("Show Mouse Cursor"), exits);
    cbShowCursor_->setObjectName(QStringLiteral("cbShowCursor"));
    auto* boxes = new QHBoxLayout;
    for (QCheckBox* box : {exitMouseMove_, exitMouseClick_, exitKeyPress_})
        boxes->addWidget(box);
    boxes->addStretch();
    auto* exitLayout = new QVBoxLayout(exits);
    exitLayout->setSpacing(kRowSpacing);
    exitLayout->addWidget(new QLabel(tr("Screen Saver Exits On :"), exits));
    exitLayout->addLayout(boxes);
    exitLayout->addWidget(cbShowCursor_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pictures);
    layout->addWidget(exits);
    idleService_ = new IdleServiceOptions(this);
    layout->addWidget(idleService_);
    layout->addStretch();

    // `clicked` comes after the box has changed, from the mouse and from the keyboard alike, and
    // never from the program setting a box.
    connect(exitMouseMove_, &QCheckBox::clicked, this, &OptionsPage::ExitMouseMoveMouseUp);
    connect(exitMouseClick_, &QCheckBox::clicked, this, &OptionsPage::ExitMouseClickMouseUp);
    connect(exitKeyPress_, &QCheckBox::clicked, this, &OptionsPage::ExitKeyPressMouseUp);
}

void OptionsPage::LoadPictureOptions(const settings::SaverSettings& s)
{
    SelectItem(sizeCombo_, s.imageSize);
    // Any other value than 0 or 1 checks neither button, so both must be clearable at once.
    rbNormalize_->setAutoExclusive(false);
    rbRandomize_->setAutoExclusive(false);
    rbNormalize_->setChecked(s.sequence == 0);
    rbRandomize_->setChecked(s.sequence == 1);
    rbNormalize_->setAutoExclusive(true);
    rbRandomize_->setAutoExclusive(true);
    btnBgColor_->SetValue(s.bgColor);
    intervalEdit_->setValue(std::clamp(s.interval, kMinInterval, kMaxInterval));
    cbCaption_->setCurrentIndex(static_cast<int>(s.Caption()));
    cbMotion_->setChecked(s.PanAndZoom());
}

settings::CaptionKind OptionsPage::Caption() const
{
    const int index = cbCaption_->currentIndex();
    return index > 0 && index < settings::kCaptionKindCount ? settings::CaptionKind(index)
                                                            : settings::CaptionKind::None;
}

void OptionsPage::LoadExitOptions(const settings::SaverSettings& s)
{
    exitMouseMove_->setChecked(s.mouseMove);
    exitMouseClick_->setChecked(s.mouseClick);
    exitKeyPress_->setChecked(s.keyPress);
    cbShowCursor_->setChecked(s.showCursor);
}

int OptionsPage::Interval() const
{
    bool number = false;
    const int typed = intervalEdit_->cleanText().trimmed().toInt(&number);
    return number ? std::clamp(typed, kMinInterval, kMaxInterval) : kMinInterval;
}

void OptionsPage::Store(settings::SaverSettings& s) const
{
    s.imageSize = sizeCombo_->currentIndex();
    s.sequence = rbNormalize_->isChecked() ? 0 : 1;
    s.bgColor = btnBgColor_->Value();
    s.interval = Interval();
    s.mouseMove = exitMouseMove_->isChecked();
    s.mouseClick = exitMouseClick_->isChecked();
    s.keyPress = exitKeyPress_->isChecked();
    s.showCursor = cbShowCursor_->isChecked();
    s.caption = static_cast<int>(Caption());
    idleService_->Store(s);
    s.motion = cbMotion_->isChecked() ? 1 : 0;
}

bool OptionsPage::NoExitEvent()
{
    if (exitMouseMove_->isChecked() || exitMouseClick_->isChecked() || exitKeyPress_->isChecked())
        return false;
    platform::ShowMessage(kNoExitEventMessage, platform::MessageIcon::Information, window());
    return true;
}

void OptionsPage::MouseBoxChanged(QCheckBox* box)
{
    if (NoExitEvent())
        box->setChecked(true);
    // With neither mouse input ending the show the cursor is shown; the user may hide it again.
    if (!exitMouseMove_->isChecked() && !exitMouseClick_->isChecked())
        cbShowCursor_->setChecked(true);
}

void OptionsPage::ExitMouseMoveMouseUp()
{
    MouseBoxChanged(exitMouseMove_);
}

void OptionsPage::ExitMouseClickMouseUp()
{
    MouseBoxChanged(exitMouseClick_);
}

void OptionsPage::ExitKeyPressMouseUp()
{
    if (NoExitEvent())
        exitKeyPress_->setChecked(true);
}

}  // namespace qel::editor
