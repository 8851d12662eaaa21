#include "editor/imagespage.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <utility>

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/paths.h"
#include "editor/bitmapview.h"
#include "editor/busycursor.h"
#include "editor/editordialogs.h"
#include "editor/errorreport.h"
#include "editor/filelistbox.h"
#include "editor/imagebutton.h"
#include "editor/pathtext.h"
#include "editor/previewpictures.h"
#include "imaging/pictureloader.h"
#include "platform/regularfile.h"
#include "slideshow/caption.h"

namespace qel::editor {
namespace {

// How long the preview waits after its area last changed size before it draws the picture again at
// the new size: a window being dragged larger does not decode the photo at every step.
constexpr int kRedrawAfterResizeMs = 120;

std::string FolderOf(const std::string& file)
{
    return base::AddTrailingSlash(std::filesystem::path(file).parent_path().string());
}

}  // namespace

// The room beside the list where the preview sits, in its white sunken frame at the top. At the
// window's smallest size the preview has its classic size; a wider window gives it the width it is
// offered, as far as the room's height allows, keeping the classic proportions. Its minimum is always
// the classic size, so a larger preview never keeps the window from shrinking again.
class PreviewSlot : public QWidget {
public:
    PreviewSlot(BitmapView* view, std::function<void()> resized, QWidget* parent)
        : QWidget(parent), view_(view), resized_(std::move(resized))
    {
        frame_ = SunkenPanel(view_, this);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }

    // The width the page offers beyond the classic size.
    void SetExtraWidth(int extra)
    {
        extra = std::max(0, extra);
        if (extra == extra_)
            return;
        extra_ = extra;
        updateGeometry();
        Place();
    }

    [[nodiscard]] QSize minimumSizeHint() const override { return Framed(QSize(kPreviewWidth, kPreviewHeight)); }
    [[nodiscard]] QSize sizeHint() const override
    {
        return QSize(Framed(PreviewSize()).width(), minimumSizeHint().height());
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        Place();
    }

private:
    [[nodiscard]] QSize Framed(QSize size) const
    {
        const int border = 2 * frame_->frameWidth();
        return size + QSize(border, border);
    }

    [[nodiscard]] QSize PreviewSize() const
    {
        const int roomHeight = height() - 2 * frame_->frameWidth();
        const int width =
            std::max(kPreviewWidth, std::min(kPreviewWidth + extra_, roomHeight * kPreviewWidth / kPreviewHeight));
        return {width, (width * kPreviewHeight + kPreviewWidth / 2) / kPreviewWidth};
    }

    void Place()
    {
        const QSize size = PreviewSize();
        const bool changed = view_->size() != size;
        view_->setFixedSize(size);
        frame_->setGeometry(QRect(QPoint(0, 0), Framed(size)));
        if (changed && resized_)
            resized_();
    }

    BitmapView* view_;
    QFrame* frame_ = nullptr;
    std::function<void()> resized_;
    int extra_ = 0;
};

ImagesPage::ImagesPage(EditorDialogs& dialogs, std::function<raster::Color()> background,
                       std::function<settings::CaptionKind()> caption, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), background_(std::move(background)), caption_(std::move(caption))
{
    btnAdd_ = ImageButton(Glyph::AddFiles, tr("Add Files"), this);
    btnAdd_->setObjectName(QStringLiteral("btnAdd"));
    btnAddFolder_ = ImageButton(Glyph::AddFolder, tr("Add Images in Folder"), this);
    btnAddFolder_->setObjectName(QStringLiteral("btnAddFolder"));
    btnDelete_ = ImageButton(Glyph::RemoveFiles, tr("Remove Files"), this);
    btnDelete_->setObjectName(QStringLiteral("btnDelete"));
    btnClear_ = ImageButton(Glyph::RemoveAll, tr("Remove All"), this);
    btnClear_->setObjectName(QStringLiteral("btnClear"));
    btnUp_ = ImageButton(Glyph::MoveUp, tr("Move Up"), this);
    btnUp_->setObjectName(QStringLiteral("btnUp"));
    btnDown_ = ImageButton(Glyph::MoveDown, tr("Move Down"), this);
    btnDown_->setObjectName(QStringLiteral("btnDown"));
    imagesListBox_ = new FileListBox(this);
    imagesListBox_->setObjectName(QStringLiteral("ImagesListBox"));
    imagesListBox_->setAccessibleName(tr("Images"));
    previewImage_ = new BitmapView(kPreviewWidth, kPreviewHeight);
    previewImage_->setObjectName(QStringLiteral("PreviewImage"));

    previewSlot_ = new PreviewSlot(
        previewImage_, [this] { redrawTimer_.start(); }, this);
    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(kRedrawAfterResizeMs);
    connect(&redrawTimer_, &QTimer::timeout, this, &ImagesPage::FitPreviewToArea);

    auto* commands = new QHBoxLayout;
    for (QToolButton* b : {btnAdd_, btnAddFolder_, btnDelete_, btnClear_})
        commands->addWidget(b);
    commands->addStretch();
    commands->addWidget(EntryCountLabel(imagesListBox_, tr("picture"), tr("pictures"), this));

    auto* moves = new QVBoxLayout;
    moves->addWidget(btnUp_);
    moves->addWidget(btnDown_);
    moves->addStretch();

    // The list takes what the preview leaves.
    auto* body = new QHBoxLayout;
    body->addWidget(imagesListBox_, 1);
    body->addLayout(moves);
    body->addWidget(previewSlot_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(commands);
    layout->addLayout(body, 1);

    connect(btnAdd_, &QToolButton::clicked, this, &ImagesPage::btnAddClick);
    connect(btnAddFolder_, &QToolButton::clicked, this, &ImagesPage::btnAddFolderClick);
    connect(btnDelete_, &QToolButton::clicked, this, &ImagesPage::btnDeleteClick);
    connect(btnClear_, &QToolButton::clicked, this, &ImagesPage::btnClearClick);
    connect(btnUp_, &QToolButton::clicked, this, &ImagesPage::btnUpClick);
    connect(btnDown_, &QToolButton::clicked, this, &ImagesPage::btnDownClick);
    // A click, or the keyboard moving the current entry.
    connect(imagesListBox_, &QListWidget::currentRowChanged, this, &ImagesPage::ImagesListBoxClick);
    connect(imagesListBox_, &QListWidget::itemClicked, this, &ImagesPage::ImagesListBoxClick);
    connect(imagesListBox_, &FileListBox::deleteRequested, this, &ImagesPage::btnDeleteClick);
    connect(imagesListBox_, &FileListBox::pathsDropped, this, &ImagesPage::AddDroppedPaths);
}

void ImagesPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The window's width beyond its smallest size is shared between the list and the preview.
    const QWidget* top = window();
    previewSlot_->SetExtraWidth((top->width() - top->minimumWidth()) / 2);
}

void ImagesPage::FitPreviewToArea()
{
    if (lastPreviewFile_.empty())
        return;  // nothing drawn, or a note that fits any size
    lastPreviewFile_.clear();
    try {
        DrawPreview();
    } catch (...) {
        // The file could be read a moment ago; the preview now says why it cannot, without a
        // message for a window being resized.
    }
}

std::vector<std::string> ImagesPage::Images() const
{
    return imagesListBox_->Paths();
}

void ImagesPage::SetImages(const std::vector<std::string>& paths)
{
    const QSignalBlocker quiet(imagesListBox_);
    imagesListBox_->SetPaths(paths);
}

void ImagesPage::btnAddClick()
{
    const QStringList files = dialogs_.OpenPictureFiles(window(), AddFilesStartFolder(imagePath_, "PICTURES"));
    if (files.isEmpty())
        return;
    std::vector<std::string> paths;
    paths.reserve(std::size_t(files.size()));
    for (const QString& f : files)
        paths.push_back(ToPath(f));
    imagePath_ = FolderOf(paths.front());
    AppendAndPreview(paths);
}

void ImagesPage::btnAddFolderClick()
{
    const QString folder = dialogs_.ChooseFolder(window(), AddFilesStartFolder(imagePath_, "PICTURES"));
    if (folder.isEmpty())
        return;
    std::vector<std::string> found;
    bool listed = false;
    {
        const BusyCursor busy;
        listed = imaging::ListPictureFiles(ToPath(folder), found);
    }
    if (listed)
        AppendAndPreview(found);
}

void ImagesPage::AddDroppedPaths(const QStringList& dropped)
{
    std::vector<std::string> paths;
    bool anyFile = false;
    {
        const BusyCursor busy;
        for (const QString& text : dropped) {
            const std::string path = ToPath(text);
            if (base::FolderExists(path)) {
                imaging::ListPictureFiles(path, paths);
            } else if (platform::IsRegularFile(path) && imaging::HasPictureExtension(path)) {
                if (!anyFile)
                    imagePath_ = FolderOf(path);
                anyFile = true;
                paths.push_back(path);
            }
        }
    }
    if (!paths.empty())
        AppendAndPreview(paths);
}

void ImagesPage::AppendAndPreview(const std::vector<std::string>& paths)
{
    {
        const QSignalBlocker quiet(imagesListBox_);
        imagesListBox_->AppendHeldPaths(paths);
    }
    SelectAndPreview(imagesListBox_->CurrentEntry());
}

void ImagesPage::SelectAndPreview(int row, Preview mode)
{
    if (row < 0 || row >= imagesListBox_->count())
        return;
    {
        const QSignalBlocker quiet(imagesListBox_);
        imagesListBox_->SelectOnly(row);
    }
    if (mode == Preview::Redraw)
        lastPreviewFile_.clear();
    ShowImagePreview();
}

void ImagesPage::btnDeleteClick()
{
    {
        const QSignalBlocker quiet(imagesListBox_);
        imagesListBox_->RemoveSelected();
    }
    if (imagesListBox_->CurrentEntry() >= 0) {
        SelectAndPreview(imagesListBox_->CurrentEntry());
    } else {
        previewImage_->Clear();
        lastPreviewFile_.clear();
    }
}

void ImagesPage::btnClearClick()
{
    {
        const QSignalBlocker quiet(imagesListBox_);
        imagesListBox_->clear();
    }
    previewImage_->Clear();
    lastPreviewFile_.clear();
}

void ImagesPage::btnUpClick()
{
    const int i = imagesListBox_->currentRow();
    if (i <= 0)
        return;
    {
        const QSignalBlocker quiet(imagesListBox_);
        imagesListBox_->Exchange(i - 1);
    }
    SelectAndPreview(imagesListBox_->currentRow());
}

void ImagesPage::btnDownClick()
{
    const int i = imagesListBox_->currentRow();
    if (i < 0 || i + 1 >= imagesListBox_->count())
        return;
    {
        const QSignalBlocker quiet(imagesListBox_);
        imagesListBox_->Exchange(i);
    }
    SelectAndPreview(imagesListBox_->currentRow());
}

void ImagesPage::ShowImagePreview()
{
    std::exception_ptr failure;
    {
        const BusyCursor busy;
        try {
            DrawPreview();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    // Reported with the normal cursor back; the file stays the last one tried, so selecting it
    // again does not report it again.
    platform::ReportError(failure, window());
}

void ImagesPage::DrawPreview()
{
    const int row = imagesListBox_->currentRow();
    if (row < 0)
        return;
    const std::string path = imagesListBox_->PathAt(row);
    if (path == lastPreviewFile_)
        return;
    const QString name = ToText(std::filesystem::path(path).filename().string());
    // A picture that no longer exists stays in the list; the preview says so instead of keeping the
    // previous picture, and tries again when it is selected again.
    if (!platform::IsRegularFile(path)) {
        previewImage_->SetPlaceholder(name + tr("\nThe file is missing."));
        lastPreviewFile_.clear();
        return;
    }
    lastPreviewFile_ = path;
    raster::Bitmap preview;
    try {
        const QSize area = previewImage_->PixelSize();
        preview = LoadImagePreview(path, area.width(), area.height(), background_());
    } catch (const std::exception& e) {
        // The loader's text names the whole path, which the area has no room for: the cause alone.
        std::string cause = e.what();
        if (const std::string prefix = "Cannot load picture \"" + path + "\": "; cause.starts_with(prefix))
            cause.erase(0, prefix.size());
        previewImage_->SetPlaceholder(name + tr("\nCannot be read: ") + ToText(cause));
        throw;
    }
    // As the show's first picture has it.
    if (const auto kind = caption_ ? caption_() : settings::CaptionKind::None; kind != settings::CaptionKind::None)
        slideshow::DrawCaption(preview, slideshow::CaptionText(path, kind), slideshow::CornerForTurn(0),
                               previewImage_->devicePixelRatioF());
    previewImage_->SetBitmap(preview);
}

void ImagesPage::RedrawPreview()
{
    lastPreviewFile_.clear();
    ShowImagePreview();
}

}  // namespace qel::editor
