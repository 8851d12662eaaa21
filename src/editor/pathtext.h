#pragma once
// Paths move between the settings (bytes, as the file system has them) and Qt's widgets and
// dialogs (Unicode text) through the file system's own encoding, so no name is changed on the way.

#include <string>
#include <vector>

#include <QFile>
#include <QString>
#include <QStringList>

namespace qel::editor {

[[nodiscard]] inline std::string ToPath(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

[[nodiscard]] inline QString ToText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

[[nodiscard]] inline QStringList ToTextList(const std::vector<std::string>& paths)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(paths.size()));
    for (const std::string& p : paths)
        list.push_back(ToText(p));
    return list;
}

}  // namespace qel::editor
