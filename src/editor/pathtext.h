#pragma once
// Paths move between the settings (bytes, as the file system has them) and Qt's widgets and
// dialogs (Unicode text) through the file system's own encoding. Text cannot hold every name: bytes
// that are not valid in that encoding show as replacement characters and would not come back. So a
// path that came from a file is kept as its bytes (FileListBox keeps them beside each entry's text),
// and ToText is for showing it; ToPath is for names the user chose in a dialog or dropped.

#include <string>

#include <QFile>
#include <QString>

namespace qel::editor {

[[nodiscard]] inline std::string ToPath(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

[[nodiscard]] inline QString ToText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace qel::editor
