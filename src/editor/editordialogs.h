#pragma once
// The questions the editor asks through dialogs: which picture files, which folder, which sound
// files, which colour, which project file to load or save, and where the package builder writes its
// package. The windows ask them through this interface, so a test can answer them.

#include <memory>
#include <optional>
#include <string>

#include <QString>
#include <QStringList>

#include "raster/bitmap.h"

class QWidget;

namespace qel::editor {

class EditorDialogs {
public:
    virtual ~EditorDialogs() = default;

    // Picture files to add, several at once, in the order the dialog gives them; it starts in
    // `folder` when that is not empty. Empty when cancelled.
    virtual QStringList OpenPictureFiles(QWidget* owner, const QString& folder) = 0;
    // A folder whose pictures (subfolders included) are added, the dialog starting in `folder`;
    // empty when cancelled.
    virtual QString ChooseFolder(QWidget* owner, const QString& folder) = 0;
    // Sound files to add, as for pictures.
    virtual QStringList OpenSoundFiles(QWidget* owner, const QString& folder) = 0;
    // Any colour, starting from `current` (0x00BBGGRR); nullopt when cancelled.
    virtual std::optional<raster::Color> ChooseColor(QWidget* owner, raster::Color current) = 0;
    // An existing project file to load, the dialog starting in `folder`; empty when cancelled.
    virtual QString OpenProjectFile(QWidget* owner, const QString& folder) = 0;
    // The project file to write, the dialog starting in `folder`: ".qsp" is added to a name typed
    // without an extension, and an existing file is replaced only when the user agrees. Empty
    // when cancelled.
    virtual QString SaveProjectFile(QWidget* owner, const QString& folder) = 0;
    // The package file the builder writes, the dialog showing `suggested` (a full path) at first:
    // ".run" is added to a name typed without an extension, and an existing file is replaced only
    // when the user agrees. Empty when cancelled.
    virtual QString SavePackageFile(QWidget* owner, const QString& suggested) = 0;
};

// The dialogs a user sees: Qt's file dialogs (the picture dialog with a preview of the picture
// under the cursor) and colour dialog.
[[nodiscard]] std::unique_ptr<EditorDialogs> MakeSystemDialogs();

// Where a dialog that adds files starts: `remembered` while it names a folder, else the user's own
// folder of that kind (`userFolder`: "PICTURES", "MUSIC"), else the home folder.
[[nodiscard]] QString AddFilesStartFolder(const std::string& remembered, const std::string& userFolder);

// The sound dialog's filters, in Qt's form: the supported sounds first, then the other formats the
// media player plays here, then every file.
[[nodiscard]] QString SoundFileFilter();
// The project dialogs' filter, in Qt's form.
[[nodiscard]] QString ProjectFileFilter();
// The package dialog's filter, in Qt's form.
[[nodiscard]] QString PackageFileFilter();

}  // namespace qel::editor
