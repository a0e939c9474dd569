#pragma once

#include <QColor>
#include <QIcon>

namespace qm {

// The small symbols of the screens.
enum class Symbol {
    chevronRight,
    chevronDown,
    chevronUp,
    lock,
    folder,
    arrowDownCircle,
    bellSlash
};

// The freedesktop icon theme's name for a symbol ("go-next", "object-locked", "folder", ...).
QString themeIconName(Symbol symbol);

// The theme's icon for `symbol`, or, where the theme lacks it, the symbol drawn in `color`.
QIcon themeIcon(Symbol symbol, const QColor &color);

} // namespace qm
