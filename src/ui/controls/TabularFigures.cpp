#include "ui/controls/TabularFigures.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QWidget>

namespace qm {

bool hasTabularDigits(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (!qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char(digit)), zero))
            return false;
    }
    return true;
}

QFont tabularFiguresFont(const QFont &font)
{
    if (hasTabularDigits(font))
        return font;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font.pixelSize() > 0)
        fixed.setPixelSize(font.pixelSize());
    else
        fixed.setPointSizeF(font.pointSizeF());
    fixed.setWeight(font.weight());
    fixed.setItalic(font.italic());
    return fixed;
}

void useTabularFigures(QWidget *widget)
{
    widget->setFont(tabularFiguresFont(widget->font()));
}

} // namespace qm
