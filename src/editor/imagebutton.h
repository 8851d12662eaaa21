#pragma once
// The editor's image buttons: a glyph without a caption; the hint says what the button does, as a
// tool tip and as the name screen readers announce.

#include <QIcon>
#include <QString>

class QToolButton;
class QWidget;

namespace qel::editor {

enum class Glyph { AddFiles, AddFolder, RemoveFiles, RemoveAll, MoveUp, MoveDown, Preview, Save, Exit, Play, Stop };

// The desktop's icon for the glyph when its theme has one, else the widget style's own.
[[nodiscard]] QIcon GlyphIcon(Glyph glyph, const QWidget* context);

[[nodiscard]] QToolButton* ImageButton(Glyph glyph, const QString& hint, QWidget* parent);

}  // namespace qel::editor
