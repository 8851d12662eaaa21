#pragma once
// The lists of pictures and of sounds: full paths, one per line, several selectable at once. A line
// shows the file's name first and its folder after it, dimmed (a long folder gives way to the name),
// and the whole path as its tooltip. Files and folders dropped from a file manager and the Delete key
// come out as signals; the page decides what they mean.

#include <string>
#include <vector>

#include <QListWidget>
#include <QStringList>

class QLabel;

namespace qel::editor {

class FileListBox : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kMinimumWidth = 120;
    static constexpr int kMinimumHeight = 80;
    static constexpr int kPathRole = Qt::UserRole;
    // What a line shows: the file's name, and its folder with the home folder written as "~".
    static constexpr int kNameRole = Qt::UserRole + 1;
    static constexpr int kFolderRole = Qt::UserRole + 2;

    explicit FileListBox(QWidget* parent = nullptr);

    // The paths as the file system has them. An entry shows its path as text, which cannot hold
    // every file name (bytes that are not UTF-8), so it keeps the bytes beside the text.
    [[nodiscard]] std::vector<std::string> Paths() const;
    [[nodiscard]] std::string PathAt(int row) const;
    // Replaces the entries; no current entry afterwards.
    void SetPaths(const std::vector<std::string>& paths);
    void AppendPaths(const std::vector<std::string>& paths);
    // Appends the paths the settings can hold as list entries; the others are left out and named in
    // one message over the window (a folder of them gives one message, not one for each).
    void AppendHeldPaths(const std::vector<std::string>& paths);
    // The entry a command acts on: the current one, or the first when the list has entries but none
    // was made current yet (so entries just added to an empty list have one). -1 when empty.
    [[nodiscard]] int CurrentEntry() const;
    // Makes `row` the current entry and the only selected one (nothing for -1).
    void SelectOnly(int row);
    // Removes the selected entries, last to first; returns their rows in that order.
    std::vector<int> RemoveSelected();
    // Exchanges entries `row` and `row` + 1; the current entry follows the entry it was on.
    void Exchange(int row);

signals:
    // Local files and folders dropped onto the list, in the order the file manager gave them.
    void pathsDropped(const QStringList& paths);
    void deleteRequested();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// "12 pictures", "1 sound", "No sounds": how many entries `list` has, kept up to date. `one` and
// `many` name the entries ("picture", "pictures").
[[nodiscard]] QLabel* EntryCountLabel(FileListBox* list, const QString& one, const QString& many,
                                      QWidget* parent = nullptr);

// The message that names paths the settings cannot hold as list entries, each with its reason,
// after `lead` ("These files are not added:").
[[nodiscard]] std::string UnheldPathsMessage(const std::string& lead, const std::vector<std::string>& paths);

}  // namespace qel::editor
