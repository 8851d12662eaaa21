#pragma once
// The Images page: the pictures of the slideshow in showing order, the commands that add, remove
// and move them, and a preview of the current one on the slideshow's background colour.

#include <functional>
#include <string>
#include <vector>

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "raster/bitmap.h"
#include "settings/saversettings.h"

class QToolButton;

namespace qel::editor {

class BitmapView;
class EditorDialogs;
class FileListBox;
class PreviewSlot;

class ImagesPage : public QWidget {
    Q_OBJECT
public:
    // `background` gives the colour the preview is drawn on and `caption` the caption drawn into it
    // as the slideshow draws it, both read each time it is drawn.
    ImagesPage(EditorDialogs& dialogs, std::function<raster::Color()> background,
               std::function<settings::CaptionKind()> caption = {}, QWidget* parent = nullptr);

    // --- components ---
    [[nodiscard]] FileListBox* ImagesListBox() const { return imagesListBox_; }

    // --- fields ---
    // Folder of the pictures added last, with its trailing "/": where the picture dialog starts.
    [[nodiscard]] const std::string& ImagePath() const { return imagePath_; }
    void SetImagePath(const std::string& folder) { imagePath_ = folder; }
    // The picture the preview shows; empty when none, or when it must be drawn again.
    [[nodiscard]] const std::string& LastPreviewFile() const { return lastPreviewFile_; }

    // --- the list as the settings hold it ---
    [[nodiscard]] std::vector<std::string> Images() const;
    // Replaces the list; leaves it without a current entry and the preview as it is.
    void SetImages(const std::vector<std::string>& paths);

    // --- operations ---
    // Draws the current entry's picture unless the preview already shows that file.
    void ShowImagePreview();
    // Draws the current entry's picture again (the background colour or the caption changed).
    void RedrawPreview();
    // Whether a preview of the file it already shows is drawn again (the file may have changed).
    enum class Preview { Keep, Redraw };
    // Makes `row` the current, selected entry and previews it (nothing for a row outside the list).
    void SelectAndPreview(int row, Preview mode = Preview::Keep);
    // Draws the shown picture again at the preview's present size (after the window was resized).
    void FitPreviewToArea();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Handlers, named for the control (its object name) and the event.
    void btnAddClick();
    void btnAddFolderClick();
    void btnDeleteClick();
    void btnClearClick();
    void btnUpClick();
    void btnDownClick();
    void ImagesListBoxClick() { ShowImagePreview(); }
    // Files and folders dropped from a file manager: files as "Add Files", folders as "Add Images
    // in Folder" would add them.
    void AddDroppedPaths(const QStringList& paths);

    void AppendAndPreview(const std::vector<std::string>& paths);
    void DrawPreview();

    EditorDialogs& dialogs_;
    std::function<raster::Color()> background_;
    std::function<settings::CaptionKind()> caption_;
    std::string imagePath_;
    std::string lastPreviewFile_;

    FileListBox* imagesListBox_ = nullptr;
    BitmapView* previewImage_ = nullptr;
    PreviewSlot* previewSlot_ = nullptr;
    QTimer redrawTimer_;
    QToolButton* btnAdd_ = nullptr;
    QToolButton* btnAddFolder_ = nullptr;
    QToolButton* btnDelete_ = nullptr;
    QToolButton* btnClear_ = nullptr;
    QToolButton* btnUp_ = nullptr;
    QToolButton* btnDown_ = nullptr;
};

}  // namespace qel::editor
