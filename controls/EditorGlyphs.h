// Small pictures of the text editor's tool buttons, drawn in code so that
// the window looks the same on a desktop without an icon theme.
#pragma once

#include <QIcon>

namespace controls {

enum class EditorGlyph { Save, Cancel, Cut, Copy, Paste, Print, Find, Replace, Help };

// The desktop theme's icon for the action when there is one, else the
// drawn picture.
QIcon EditorIcon(EditorGlyph glyph);
// The drawn picture, 16 by 16 pixels.
QIcon DrawnEditorIcon(EditorGlyph glyph);

}  // namespace controls
