#include "editor/filelistbox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include "base/text.h"
#include "editor/pathtext.h"
#include "platform/messagebox.h"
#include "settings/listentries.h"

namespace qel::editor {
namespace {

constexpr std::size_t kMostNamed = 20;  // paths named in one message

QStringList LocalPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile());
    return paths;
}

}  // namespace

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Every line has the same height: long lists are laid out without measuring each entry.
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    // The list takes the room the page leaves, instead of asking for room of its own.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
}

std::vector<std::string> FileListBox::Paths() const
{
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i)
        paths.push_back(PathAt(i));
    return paths;
}

std::string FileListBox::PathAt(int row) const
{
    const QListWidgetItem* entry = item(row);
    if (!entry)
        return {};
    const QVariant bytes = entry->data(kPathRole);
    return bytes.isValid() ? bytes.toByteArray().toStdString() : ToPath(entry->text());
}

void FileListBox::SetPaths(const std::vector<std::string>& paths)
{
    clear();
    AppendPaths(paths);
}

void FileListBox::AppendPaths(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        auto* entry = new QListWidgetItem(ToText(path));
        entry->setData(kPathRole, QByteArray::fromStdString(path));
        addItem(entry);
    }
}

void FileListBox::AppendHeldPaths(const std::vector<std::string>& paths)
{
    std::vector<std::string> held;
    std::vector<std::string> unheld;
    held.reserve(paths.size());
    for (const std::string& path : paths)
        (settings::WhyListCannotHold(path).empty() ? held : unheld).push_back(path);
    AppendPaths(held);
    if (!unheld.empty())
        platform::ShowMessage(UnheldPathsMessage("These files are not added:", unheld), platform::MessageIcon::Warning,
                              window());
}

int FileListBox::CurrentEntry() const
{
    if (currentRow() >= 0)
        return currentRow();
    return count() > 0 ? 0 : -1;
}

void FileListBox::SelectOnly(int row)
{
    if (row >= 0 && row < count())
        setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

std::vector<int> FileListBox::RemoveSelected()
{
    std::vector<int> removed;
    for (int i = count() - 1; i >= 0; --i) {
        if (item(i)->isSelected()) {
            delete takeItem(i);
            removed.push_back(i);
        }
    }
    return removed;
}

void FileListBox::Exchange(int row)
{
    if (row < 0 || row + 1 >= count())
        return;
    const int current = currentRow();
    QListWidgetItem* lower = takeItem(row + 1);
    insertItem(row, lower);
    if (current == row)
        setCurrentRow(row + 1, QItemSelectionModel::NoUpdate);
    else if (current == row + 1)
        setCurrentRow(row, QItemSelectionModel::NoUpdate);
}

void FileListBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (!LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListBox::dropEvent(QDropEvent* event)
{
    const QStringList paths = LocalPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pathsDropped(paths);
}

void FileListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit deleteRequested();
        return;
    }
    QListWidget::keyPressEvent(event);
}

std::string UnheldPathsMessage(const std::string& lead, const std::vector<std::string>& paths)
{
    std::vector<std::string> lines;
    lines.reserve(paths.size());
    for (const std::string& path : paths)
        lines.push_back("\"" + base::Printable(path) + "\": its path has " + settings::WhyListCannotHold(path));
    return lead + "\n\n" + base::ListedLines(lines, kMostNamed) +
           "\n\nThe settings cannot hold such a path. Rename the file or its folder and add it again.";
}

}  // namespace qel::editor
