#pragma once

#include <QColor>
#include <QIcon>

namespace qm {

// The popover's small glyphs beyond the symbols of SymbolIcon.h: disclosure chevrons, the
// update arrow and the muted bell.
enum class Glyph { chevronRight, chevronDown, chevronUp, arrowDownCircle, bellSlash };

// The freedesktop icon theme's name for a glyph ("go-next", "go-up", ...).
QString glyphThemeName(Glyph glyph);

// The theme's icon for `glyph`, or, where the theme lacks it, the glyph drawn in `color`.
QIcon glyphIcon(Glyph glyph, const QColor &color);

} // namespace qm
