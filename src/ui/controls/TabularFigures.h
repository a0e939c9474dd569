#pragma once

#include <QFont>

class QWidget;

namespace qm {

// Sizes and changes stacked in rows line up only where every digit takes the same width. Qt 6.4
// cannot ask a font for its tabular figures (no font features, and style sheets know no
// font-variant-numeric), but many desktop fonts (DejaVu Sans among them) draw their digits at
// one width by default. Where the font does not, the figures are set in
// the desktop's fixed-width font of the same size and weight.

// Whether the digits 0 to 9 all advance by the same width in `font`.
bool hasTabularDigits(const QFont &font);

// `font` itself when its digits have one width, else the fixed-width font in its size and weight.
QFont tabularFiguresFont(const QFont &font);

// Gives a label of figures (a size, a change) the font of tabular figures.
void useTabularFigures(QWidget *widget);

} // namespace qm
