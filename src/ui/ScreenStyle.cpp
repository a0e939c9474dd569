#include "ui/ScreenStyle.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPalette>

namespace qm {

namespace {

QFont scaled(double factor, QFont::Weight weight = QFont::Normal)
{
    QFont font = QApplication::font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else
        font.setPixelSize(qRound(font.pixelSize() * factor));
    font.setWeight(weight);
    return font;
}

} // namespace

QFont captionFont()
{
    return scaled(0.85);
}

QFont caption2Font()
{
    return scaled(0.8);
}

QFont smallCaptionFont()
{
    return scaled(0.75, QFont::Medium);
}

QFont subheadlineFont()
{
    return scaled(0.95, QFont::Medium);
}

QColor accentColor(const QWidget *widget)
{
    return widget->palette().color(QPalette::Highlight);
}

QColor secondaryTextColor(const QWidget *widget)
{
    return widget->palette().color(QPalette::PlaceholderText);
}

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(float(opacity));
    return color;
}

void makeSecondary(QLabel *label)
{
    label->setFont(captionFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}

QLabel *secondaryCaption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    makeSecondary(label);
    return label;
}

QFrame *divider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, withOpacity(palette.color(QPalette::WindowText), 0.15));
    line->setPalette(palette);
    return line;
}

} // namespace qm
