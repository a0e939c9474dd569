#pragma once

#include "ui/controls/CaptionText.h"

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace qm {

// The type sizes of the popover beyond the captions of CaptionText.h, derived from the
// desktop's general font.
QFont caption2Font();    // the chart's selection label
QFont subheadlineFont(); // the growth headline, medium weight

// The accent colour (the palette's highlight) and the colour of secondary text.
QColor accentColor(const QWidget *widget);
QColor secondaryTextColor(const QWidget *widget);

// `color` with `opacity` (0...1) as its alpha.
QColor withOpacity(QColor color, double opacity);

// A one-line label in the caption font and the secondary colour.
QLabel *secondaryCaption(const QString &text, QWidget *parent = nullptr);
// Gives a text widget the caption font and the secondary colour.
void makeSecondary(QWidget *widget);

} // namespace qm
