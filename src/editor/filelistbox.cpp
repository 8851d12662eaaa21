#include "editor/filelistbox.h"

#include <algorithm>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
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

// The folder as a line shows it: the user's home folder written as "~", as file managers and
// shells do, which leaves the room to the part of the path that tells the folders apart.
QString ShownFolder(const std::string& folder, const std::string& home)
{
    if (home.size() > 1 && folder.starts_with(home) && (folder.size() == home.size() || folder[home.size()] == '/'))
        return QStringLiteral("~") + ToText(folder.substr(home.size()));
    return ToText(folder);
}

// Paints a line as the file's name, then its folder in the dimmed text colour. What does not fit is
// cut: the folder first, from its start (the folders nearest the file tell most), then the name, in
// its middle (it keeps its extension).
class FileEntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();  // the background, selection and focus as usual; the text is ours
        const QWidget* widget = opt.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &opt, widget) + 1;
        const QRect text = opt.rect.adjusted(margin, 0, -margin, 0);
        if (text.width() <= 0)
            return;
        const QString name = index.data(FileListBox::kNameRole).toString();
        const QString folder = index.data(FileListBox::kFolderRole).toString();
        const QFontMetrics& metrics = opt.fontMetrics;
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                                : QPalette::Inactive;
        const bool selected = opt.state & QStyle::State_Selected;
        const QColor nameColor = opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
        QColor folderColor = opt.palette.color(group, QPalette::PlaceholderText);
        if (selected) {
            folderColor = nameColor;
            folderColor.setAlphaF(kSelectedFolderOpacity);
        }

        painter->save();
        painter->setFont(opt.font);
        const QString shownName = metrics.elidedText(name, Qt::ElideMiddle, text.width());
        const int nameWidth = std::min(metrics.horizontalAdvance(shownName), text.width());
        painter->setPen(nameColor);
        painter->drawText(
            QStyle::visualRect(opt.direction, text, QRect(text.topLeft(), QSize(nameWidth, text.height()))),
            Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shownName);
        const int gap = 2 * metrics.horizontalAdvance(QLatin1Char(' '));
        const QRect rest = text.adjusted(nameWidth + gap, 0, 0, 0);
        const QString shownFolder = metrics.elidedText(folder, Qt::ElideLeft, rest.width());
        // A folder cut down to a letter or two says nothing.
        if (shownName == name && rest.width() > 0 && shownFolder.size() > kLeastFolderShown) {
            painter->setPen(folderColor);
            painter->drawText(QStyle::visualRect(opt.direction, text, rest),
                              Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shownFolder);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // As high as a line of text; the width is the list's, whatever the path.
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(1);
        return size;
    }

private:
    static constexpr double kSelectedFolderOpacity = 0.75;
    static constexpr qsizetype kLeastFolderShown = 3;  // the ellipsis and two letters
};

}  // namespace

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Every line has the same height: long lists are laid out without measuring each entry.
    setUniformItemSizes(true);
    // A line fits its text to the list's width; the whole path is in its tooltip.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new FileEntryDelegate(this));
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
    const std::string home = ToPath(QDir::homePath());
    for (const std::string& path : paths) {
        auto* entry = new QListWidgetItem(ToText(path));
        entry->setData(kPathRole, QByteArray::fromStdString(path));
        entry->setToolTip(entry->text());
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos) {
            entry->setData(kNameRole, entry->text());
        } else {
            entry->setData(kNameRole, ToText(path.substr(slash + 1)));
            entry->setData(kFolderRole, ShownFolder(slash == 0 ? "/" : path.substr(0, slash), home));
        }
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

QLabel* EntryCountLabel(FileListBox* list, const QString& one, const QString& many, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(list->objectName() + QStringLiteral("Count"));
    auto update = [label, list, one, many] {
        const int n = list->count();
        label->setText(n == 0   ? QObject::tr("No %1").arg(many)
                       : n == 1 ? QObject::tr("1 %1").arg(one)
                                : QObject::tr("%1 %2").arg(n).arg(many));
    };
    const QAbstractItemModel* model = list->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, label, update);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, label, update);
    QObject::connect(model, &QAbstractItemModel::modelReset, label, update);
    update();
    return label;
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
