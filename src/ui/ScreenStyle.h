#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QFrame;
class QLabel;
class QWidget;

namespace qm {

// The type sizes of the screens, derived from the desktop's general font.
QFont captionFont();      // secondary lines
QFont caption2Font();     // the chart's selection label
QFont smallCaptionFont(); // badges
QFont subheadlineFont();  // the growth headline, medium weight

// The accent colour (the palette's highlight) and the colour of secondary text.
QColor accentColor(const QWidget *widget);
QColor secondaryTextColor(const QWidget *widget);

// `color` with `opacity` (0...1) as its alpha.
QColor withOpacity(QColor color, double opacity);

// A label in the caption font and the secondary colour.
QLabel *secondaryCaption(const QString &text, QWidget *parent = nullptr);
void makeSecondary(QLabel *label);

// A thin horizontal line between parts of a screen.
QFrame *divider(QWidget *parent = nullptr);

} // namespace qm
