#include "editor/editordialogs.h"

#include <filesystem>

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>

#include "editor/bitmapview.h"
#include "editor/pathtext.h"
#include "editor/previewpictures.h"
#include "imaging/pictureloader.h"
#include "pictureshow/qtcolor.h"
#include "platform/userfolders.h"

namespace qel::editor {
namespace {

constexpr raster::Color kWhite = 0x00FFFFFF;
// Room for names, sizes and types side by side, and for the preview beside them.
constexpr QSize kFileDialogSize(760, 460);

// Shows the picture the dialog's cursor is on beside its file list.
void AddPicturePreview(QFileDialog& dialog)
{
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return;
    auto* view = new BitmapView(kPreviewWidth, kPreviewHeight);
    QFrame* panel = SunkenPanel(view, &dialog);
    grid->addWidget(panel, 1, grid->columnCount(), 1, 1, Qt::AlignTop);
    QObject::connect(&dialog, &QFileDialog::currentChanged, view, [view](const QString& file) {
        const std::string path = ToPath(file);
        std::error_code ec;
        if (file.isEmpty() || !std::filesystem::is_regular_file(path, ec)) {
            view->Clear();
            return;
        }
        try {
            const QSize area = view->PixelSize();
            view->SetBitmap(LoadImagePreview(path, area.width(), area.height(), kWhite));
        } catch (const std::exception&) {
            view->Clear();  // not a picture this program can show: nothing to preview
        }
    });
}

QStringList RunOpenFiles(QWidget* owner, const QString& folder, const QString& filter, bool preview)
{
    QFileDialog dialog(owner, QString(), folder, filter);
    // Qt's own dialog: the same on every desktop, and it can carry the preview pane.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.selectFile(QString());
    if (preview)
        AddPicturePreview(dialog);
    dialog.resize(dialog.sizeHint().expandedTo(kFileDialogSize));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString RunProjectDialog(QWidget* owner, const QString& folder, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner, QString(), folder, ProjectFileFilter());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    // Open: only an existing file; save: Qt asks before replacing one.
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("qsp"));
    dialog.resize(dialog.sizeHint().expandedTo(kFileDialogSize));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

QString RunPackageDialog(QWidget* owner, const QString& suggested)
{
    // The package's own folder is made by the build: until then the dialog starts in the nearest one that exists.
    QString folder = QFileInfo(suggested).absolutePath();
    while (!QFileInfo(folder).isDir() && QFileInfo(folder).absolutePath() != folder)
        folder = QFileInfo(folder).absolutePath();
    QFileDialog dialog(owner, QString(), folder, PackageFileFilter());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);  // Qt asks before replacing a file
    dialog.setDefaultSuffix(QStringLiteral("run"));
    dialog.selectFile(suggested);
    dialog.resize(dialog.sizeHint().expandedTo(kFileDialogSize));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

class SystemDialogs : public EditorDialogs {
public:
    QStringList OpenPictureFiles(QWidget* owner, const QString& folder) override
    {
        return RunOpenFiles(owner, folder, QString::fromStdString(imaging::PictureFileFilter()), true);
    }

    QString ChooseFolder(QWidget* owner, const QString& folder) override
    {
        return QFileDialog::getExistingDirectory(owner, QString(), folder,
                                                 QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    }

    QStringList OpenSoundFiles(QWidget* owner, const QString& folder) override
    {
        return RunOpenFiles(owner, folder, SoundFileFilter(), false);
    }

    std::optional<raster::Color> ChooseColor(QWidget* owner, raster::Color current) override
    {
        const QColor chosen = QColorDialog::getColor(pictureshow::ToQColor(current), owner);
        if (!chosen.isValid())
            return std::nullopt;
        return pictureshow::FromQColor(chosen);
    }

    QString OpenProjectFile(QWidget* owner, const QString& folder) override
    {
        return RunProjectDialog(owner, folder, QFileDialog::AcceptOpen);
    }

    QString SaveProjectFile(QWidget* owner, const QString& folder) override
    {
        return RunProjectDialog(owner, folder, QFileDialog::AcceptSave);
    }

    QString SavePackageFile(QWidget* owner, const QString& suggested) override
    {
        return RunPackageDialog(owner, suggested);
    }
};

}  // namespace

std::unique_ptr<EditorDialogs> MakeSystemDialogs()
{
    return std::make_unique<SystemDialogs>();
}

QString AddFilesStartFolder(const std::string& remembered, const std::string& userFolder)
{
    std::error_code ec;
    if (!remembered.empty() && std::filesystem::is_directory(remembered, ec))
        return ToText(remembered);
    return ToText(platform::UserNamedFolder(userFolder));
}

QString SoundFileFilter()
{
    return QStringLiteral("All Supports Sound Files (*.mp3 *.wav *.mid *.rmi);;MP3 Files(*.mp3);;"
                          "Wave Files(*.wav);;MIDI Files(*.mid *.rmi);;"
                          "Other Sound Files (*.ogg *.oga *.opus *.flac *.m4a);;All files (*)");
}

QString ProjectFileFilter()
{
    return QStringLiteral("Qel Saver Project File (*.qsp)");
}

QString PackageFileFilter()
{
    return QStringLiteral("Installed Screen Saver (*.run)");
}

}  // namespace qel::editor
