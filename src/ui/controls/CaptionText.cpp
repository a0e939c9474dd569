#include "ui/controls/CaptionText.h"

#include "ui/controls/TextContrast.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>

namespace qm {

QFont captionFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    return font;
}

QFont smallCaptionFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() * 0.77);
    return font;
}

QColor toneColor(TextTone tone, const QWidget *widget)
{
    const QPalette palette = widget ? widget->palette() : QApplication::palette();
    switch (tone) {
    case TextTone::primary:
        return palette.color(QPalette::WindowText);
    // Muted text is the window text blended toward the background, kept readable: the
    // palette's placeholder colour is left unset by some schemes (Breeze Dark read from
    // kdeglobals draws it near-black on dark grey).
    case TextTone::secondary:
        return mutedText(
            palette.color(QPalette::WindowText), palette.color(QPalette::Window), 0.45);
    case TextTone::tertiary:
        return mutedText(palette.color(QPalette::WindowText), palette.color(QPalette::Window), 0.6);
    // A caption that does something when clicked: the accent colour, kept readable.
    case TextTone::link:
        return readableAccent(palette.color(QPalette::Highlight),
                              palette.color(QPalette::WindowText),
                              palette.color(QPalette::Window));
    case TextTone::orange:
        return QColor(0xd0, 0x68, 0x00);
    case TextTone::red:
        break;
    }
    return QColor(0xd7, 0x1f, 0x1f);
}

void applyTone(QWidget *widget, TextTone tone)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, toneColor(tone, widget));
    palette.setColor(QPalette::Text, toneColor(tone, widget));
    widget->setPalette(palette);
}

QLabel *captionLabel(const QString &text, TextTone tone, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(captionFont());
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    applyTone(label, tone);
    return label;
}

} // namespace qm
