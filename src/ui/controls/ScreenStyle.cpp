#include "ui/controls/ScreenStyle.h"

#include <QApplication>
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

QFont caption2Font()
{
    return scaled(0.8);
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
    return toneColor(TextTone::secondary, widget);
}

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(float(opacity));
    return color;
}

void makeSecondary(QWidget *widget)
{
    widget->setFont(captionFont());
    applyTone(widget, TextTone::secondary);
}

QLabel *secondaryCaption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    makeSecondary(label);
    return label;
}

} // namespace qm
