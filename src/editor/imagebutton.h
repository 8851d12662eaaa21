#pragma once
// The editor's image buttons: a glyph without a caption; the hint says what the button does, as a
// tool tip and as the name screen readers announce.

#include <QIcon>
#include <QString>

class QToolButton;
class QWidget;

namespace qel::editor {

enum class Glyph { AddFiles, AddFolder, RemoveFiles, RemoveAll, MoveUp, MoveDown, Preview, Save, Exit, Play, Stop };

// Large enough to read at a glance, small enough for the window's classic size.
inline constexpr int kGlyphSize = 20;

// The desktop's icon for the glyph when its theme has one, else the widget style's own, drawn at
// `size` for ordinary and doubled screens.
[[nodiscard]] QIcon GlyphIcon(Glyph glyph, const QWidget* context, int size = kGlyphSize);

[[nodiscard]] QToolButton* ImageButton(Glyph glyph, const QString& hint, QWidget* parent);

}  // namespace qel::editor
