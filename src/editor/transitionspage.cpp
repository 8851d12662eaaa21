#include "editor/transitionspage.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <QBuffer>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMovie>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "editor/bitmapview.h"
#include "editor/errorreport.h"
#include "editor/filelistbox.h"
#include "editor/previewpictures.h"
#include "editor/transitiongallery.h"
#include "pictureshow/pictureshowwidget.h"
#include "pictureshow/styles.h"
#include "settings/processpaths.h"

namespace qel::editor {
namespace {

constexpr int kSpeedCount = 5;
// Speed item i (shown as i + 1) steps the transition every (i + 1) x 10 milliseconds.
constexpr int kDelayPerSpeedMs = 10;
constexpr raster::Color kWhite = 0x00FFFFFF;
// Far above any animation the build draws: a file this large is not one of them.
constexpr std::uintmax_t kMaxAnimationBytes = 4 << 20;

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
    styleAnimation_ = new QLabel;
    styleAnimation_->setObjectName(QStringLiteral("StyleAnimation"));
    styleAnimation_->setFixedSize(kPreviewWidth, kPreviewHeight);
    styleAnimation_->setAlignment(Qt::AlignCenter);
    auto* previewPlace = new QWidget;
    previewPlace->setFixedSize(kPreviewWidth, kPreviewHeight);
    previewPlace_ = new QStackedLayout(previewPlace);
    previewPlace_->setContentsMargins(0, 0, 0, 0);
    previewPlace_->addWidget(psPreview_);
    previewPlace_->addWidget(styleAnimation_);

    auto* side = new QVBoxLayout;
    side->addWidget(SunkenPanel(previewPlace, this), 0, Qt::AlignHCenter);
    side->addLayout(selection);
    side->addLayout(speed);
    styleAnimationName_ = new QLabel(this);
    styleAnimationName_->setObjectName(QStringLiteral("StyleAnimationName"));
    styleAnimationName_->setAlignment(Qt::AlignHCenter);
    styleAnimationName_->setWordWrap(true);
    side->addWidget(styleAnimationName_);
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
    // The mouse over a row, over the list's empty part, or gone from the list.
    transListBox_->setMouseTracking(true);
    connect(transListBox_, &QListWidget::itemEntered, this,
            [this](QListWidgetItem* item) { ShowStyleAnimation(transListBox_->row(item)); });
    connect(transListBox_, &QListWidget::viewportEntered, this, &TransitionsPage::ShowPreview);
    transListBox_->viewport()->installEventFilter(this);
}

bool TransitionsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == transListBox_->viewport() && event->type() == QEvent::Leave)
        ShowPreview();
    return QWidget::eventFilter(watched, event);
}

void TransitionsPage::hideEvent(QHideEvent* event)
{
    ShowPreview();
    QWidget::hideEvent(event);
}

void TransitionsPage::ShowStyleAnimation(int style)
{
    if (style < 0 || style >= pictureshow::kStyleCount) {
        ShowPreview();
        return;
    }
    if (animatedStyle_ == style)
        return;
    const std::string path = settings::Process().appPath + kManualFolder + GalleryAnimationName(style);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::is_regular_file(path, ec) ? std::filesystem::file_size(path, ec) : 0;
    QByteArray data;
    if (!ec && size > 0 && size <= kMaxAnimationBytes) {
        std::ifstream in(path, std::ios::binary);
        data.resize(qsizetype(size));
        in.read(data.data(), data.size());
        data.resize(qsizetype(in.gcount()));
    }
    if (data.isEmpty()) {
        ShowPreview();
        return;
    }
    if (!movie_) {
        movie_ = new QMovie(this);
        // A child of the movie, so it goes after the movie has let go of it.
        animationData_ = new QBuffer(movie_);
        styleAnimation_->setMovie(movie_);
    }
    movie_->stop();
    movie_->setDevice(nullptr);
    animationData_->close();
    animationData_->setData(data);
    animationData_->open(QIODevice::ReadOnly);
    movie_->setDevice(animationData_);
    if (!movie_->isValid()) {
        ShowPreview();
        return;
    }
    movie_->start();
    if (movie_->state() != QMovie::Running) {  // the first frame could not be read
        ShowPreview();
        return;
    }
    animatedStyle_ = style;
    previewPlace_->setCurrentWidget(styleAnimation_);
    styleAnimationName_->setText(tr("Showing: %1").arg(QString::fromLatin1(pictureshow::StyleDisplayName(style))));
}

void TransitionsPage::ShowPreview()
{
    if (movie_)
        movie_->stop();
    animatedStyle_.reset();
    previewPlace_->setCurrentWidget(psPreview_);
    styleAnimationName_->clear();
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
