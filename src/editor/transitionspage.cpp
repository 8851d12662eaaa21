#include "editor/transitionspage.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "editor/bitmapview.h"
#include "editor/errorreport.h"
#include "editor/filelistbox.h"
#include "editor/previewpictures.h"
#include "pictureshow/pictureshowwidget.h"
#include "pictureshow/styles.h"
#include "settings/processpaths.h"

namespace qel::editor {
namespace {

constexpr int kSpeedCount = 5;
// Speed item i (shown as i + 1) steps the transition every (i + 1) x 10 milliseconds.
constexpr int kDelayPerSpeedMs = 10;
constexpr raster::Color kWhite = 0x00FFFFFF;

int DelayForSpeed(int index)
{
    return kDelayPerSpeedMs * (index + 1);
}

}  // namespace

TransitionsPage::TransitionsPage(QWidget* parent) : QWidget(parent)
{
    transListBox_ = new QListWidget(this);
    transListBox_->setObjectName(QStringLiteral("TransListBox"));
    transListBox_->setAccessibleName(tr("Transitions"));
    transListBox_->setUniformItemSizes(true);
    transListBox_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    transListBox_->setMinimumSize(FileListBox::kMinimumWidth, FileListBox::kMinimumHeight);
    btnSelectAll_ = new QPushButton(tr("Select All"), this);
    btnSelectAll_->setObjectName(QStringLiteral("btnSelectAll"));
    btnSelectAll_->setToolTip(tr("Enabled All Transitions"));
    btnSelectNone_ = new QPushButton(tr("Select None"), this);
    btnSelectNone_->setObjectName(QStringLiteral("btnSelectNone"));
    btnSelectNone_->setToolTip(tr("Disable all Transitions"));
    cbDuration_ = new QComboBox(this);
    cbDuration_->setObjectName(QStringLiteral("cbDuration"));
    for (int i = 0; i < kSpeedCount; ++i)
        cbDuration_->addItem(QString::number(i + 1));
    auto* speedLabel = new QLabel(tr("Effects Speed:"), this);
    speedLabel->setBuddy(cbDuration_);

    psPreview_ = new pictureshow::TPictureShow;
    psPreview_->setObjectName(QStringLiteral("PsPreview"));
    psPreview_->setFixedSize(kPreviewWidth, kPreviewHeight);
    psPreview_->SetAutoSize(false);
    psPreview_->SetCenter(true);
    psPreview_->SetColor(kWhite);

    auto* selection = new QHBoxLayout;
    selection->addWidget(btnSelectAll_);
    selection->addWidget(btnSelectNone_);
    auto* speed = new QHBoxLayout;
    speed->addWidget(speedLabel);
    speed->addWidget(cbDuration_);
    speed->addStretch();
    auto* side = new QVBoxLayout;
    side->addWidget(SunkenPanel(psPreview_, this), 0, Qt::AlignHCenter);
    side->addLayout(selection);
    side->addLayout(speed);
    side->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(transListBox_, 1);
    layout->addLayout(side);

    transTimer_.setInterval(kPauseMs);
    connect(&transTimer_, &QTimer::timeout, this, &TransitionsPage::TransTimerTimer);
    // A click, or the keyboard moving the current row.
    connect(transListBox_, &QListWidget::currentRowChanged, this, &TransitionsPage::TransListBoxClick);
    connect(transListBox_, &QListWidget::itemDoubleClicked, this, &TransitionsPage::TransListBoxDblClick);
    connect(btnSelectAll_, &QPushButton::clicked, this, &TransitionsPage::btnSelectAllClick);
    connect(btnSelectNone_, &QPushButton::clicked, this, &TransitionsPage::btnSelectNoneClick);
    connect(cbDuration_, &QComboBox::activated, this, &TransitionsPage::cbDurationChange);
    connect(psPreview_, &pictureshow::TPictureShow::completed, this, &TransitionsPage::PsPreviewComplete);
}

void TransitionsPage::Load(const settings::SaverSettings& s)
{
    const QSignalBlocker quiet(transListBox_);
    transListBox_->clear();
    const int rows = std::min<int>(int(s.transSetup.size()), pictureshow::kStyleCount);
    for (int k = 0; k < rows; ++k) {
        auto* item = new QListWidgetItem(QString::fromLatin1(pictureshow::StyleDisplayName(k)));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(s.transSetup[std::size_t(k)] == '1' ? Qt::Checked : Qt::Unchecked);
        transListBox_->addItem(item);
    }
    SetCurrentRowQuietly(s.transIndex);
    cbDuration_->setCurrentIndex(s.duration >= 0 && s.duration < cbDuration_->count() ? s.duration : -1);
}

void TransitionsPage::Store(settings::SaverSettings& s) const
{
    s.transSetup.clear();
    for (int i = 0; i < transListBox_->count(); ++i)
        s.transSetup += transListBox_->item(i)->checkState() == Qt::Checked ? '1' : '0';
    s.transIndex = transListBox_->currentRow();
    s.duration = cbDuration_->currentIndex();
}

void TransitionsPage::SetCurrentRowQuietly(int row)
{
    const QSignalBlocker quiet(transListBox_);
    transListBox_->setCurrentRow(row >= 0 && row < transListBox_->count() ? row : -1);
}

void TransitionsPage::TransListBoxClick()
{
    const int row = transListBox_->currentRow();
    if (row < 0)
        return;
    pendingStyle_ = row;
    ApplyWhenIdle();
}

void TransitionsPage::cbDurationChange()
{
    pendingDelay_ = DelayForSpeed(cbDuration_->currentIndex());
    ApplyWhenIdle();
}

void TransitionsPage::ApplyWhenIdle()
{
    if (psPreview_->Busy())
        return;  // PsPreviewComplete applies them
    if (pendingStyle_)
        psPreview_->SetStyle(*pendingStyle_);
    if (pendingDelay_)
        psPreview_->SetDelay(*pendingDelay_);
    pendingStyle_.reset();
    pendingDelay_.reset();
}

void TransitionsPage::TransListBoxDblClick()
{
    QListWidgetItem* item = transListBox_->currentItem();
    if (!item || !(item->flags() & Qt::ItemIsEnabled))
        return;
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TransitionsPage::SetAllChecked(bool checked)
{
    for (int i = 0; i < transListBox_->count(); ++i)
        transListBox_->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TransitionsPage::btnSelectAllClick()
{
    SetAllChecked(true);
}

void TransitionsPage::btnSelectNoneClick()
{
    SetAllChecked(false);
}

void TransitionsPage::LoadTransitionPicture()
{
    std::string name = settings::Process().appPath;
    // The tag moves on even when the file proves missing.
    if (tag_ != 0) {
        name += kSecondSample;
        tag_ = 0;
    } else {
        name += kFirstSample;
        tag_ = 1;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec))
        return;
    psPreview_->SetPicture(LoadTransitionSample(name, kPreviewWidth, kPreviewHeight));
}

void TransitionsPage::StartPreview()
{
    ReportingErrors(window(), [this] {
        LoadTransitionPicture();
        psPreview_->Execute();
    });
}

void TransitionsPage::PsPreviewComplete()
{
    ApplyWhenIdle();
    // A sample that cannot be decoded is reported once: the pause does not start, so the loop ends.
    ReportingErrors(window(), [this] {
        LoadTransitionPicture();
        transTimer_.start();
    });
}

void TransitionsPage::TransTimerTimer()
{
    ReportingErrors(window(), [this] { psPreview_->Execute(); });
    transTimer_.stop();
}

}  // namespace qel::editor
