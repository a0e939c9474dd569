#pragma once

#include <QIcon>

#include <functional>

class QPainter;
class QToolButton;
class QWidget;

namespace qm {

// The small pictures of the screens. Each comes from the desktop's icon theme by its
// freedesktop.org name; where the theme lacks it, a plain drawn stand-in is used.
enum class Symbol {
    folder,  // "folder"
    trash,   // "user-trash"
    lock,    // "object-locked"
    general, // "preferences-system"
    menuBar, // "preferences-desktop"
    bell,    // "preferences-desktop-notification"
    info,    // "help-about"
    examine, // "system-search"
};

// The theme name of a symbol.
QString symbolThemeName(Symbol symbol);

QIcon symbolIcon(Symbol symbol);

// An icon drawn by `draw` on a 16-unit square, at 16 and 32 pixels and both pixel ratios: in
// `color`, in `selectedColor` on a selected row, and faded on a disabled button. The stand-in where
// the icon theme lacks a symbol or a glyph.
QIcon paintedIcon(const std::function<void(QPainter &, const QColor &)> &draw,
                  const QColor &color,
                  const QColor &selectedColor);

// The drawn stand-in alone, in `color`, and in `selectedColor` on a selected row.
QIcon drawnSymbolIcon(Symbol symbol, const QColor &color, const QColor &selectedColor);

// A flat button that shows only the symbol, with a tooltip and an accessible name.
QToolButton *symbolButton(Symbol symbol,
                          const QString &toolTip,
                          const QString &accessibleName,
                          QWidget *parent = nullptr);

} // namespace qm
