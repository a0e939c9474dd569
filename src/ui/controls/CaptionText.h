#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace qm {

// How strongly a text stands out: the window text, the secondary and tertiary greys of the
// palette, or one of the two warning colours.
enum class TextTone { primary, secondary, tertiary, link, orange, red };

// The caption font (a notch below the body text) and the smallest caption size.
QFont captionFont();
QFont smallCaptionFont();

// The colour of a tone in the widget's palette.
QColor toneColor(TextTone tone, const QWidget *widget);
// Gives the widget's text the tone's colour.
void applyTone(QWidget *widget, TextTone tone);

// A caption text in a tone, wrapping over as many lines as it needs.
QLabel *
captionLabel(const QString &text, TextTone tone = TextTone::secondary, QWidget *parent = nullptr);

} // namespace qm
