#include "ui/ThemeIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qm {

QString themeIconName(Symbol symbol)
{
    switch (symbol) {
    case Symbol::chevronRight:
        return QStringLiteral("go-next");
    case Symbol::chevronDown:
        return QStringLiteral("go-down");
    case Symbol::chevronUp:
        return QStringLiteral("go-up");
    case Symbol::lock:
        return QStringLiteral("object-locked");
    case Symbol::folder:
        return QStringLiteral("folder");
    case Symbol::arrowDownCircle:
        return QStringLiteral("go-down");
    case Symbol::bellSlash:
        return QStringLiteral("notifications-disabled");
    }
    return {};
}

namespace {

// The symbol on a 16-unit square.
void drawSymbol(QPainter &painter, Symbol symbol, const QColor &color)
{
    QPen pen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    switch (symbol) {
    case Symbol::chevronRight:
        painter.drawPolyline(QPolygonF{{6, 3.5}, {10.5, 8}, {6, 12.5}});
        break;
    case Symbol::chevronDown:
        painter.drawPolyline(QPolygonF{{3.5, 6}, {8, 10.5}, {12.5, 6}});
        break;
    case Symbol::chevronUp:
        painter.drawPolyline(QPolygonF{{3.5, 10}, {8, 5.5}, {12.5, 10}});
        break;
    case Symbol::lock:
        painter.drawArc(QRectF(5, 2.5, 6, 7), 0, 180 * 16);
        painter.drawLine(QPointF(5, 6), QPointF(5, 7.5));
        painter.drawLine(QPointF(11, 6), QPointF(11, 7.5));
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(3.5, 7.5, 9, 6.5), 1.5, 1.5);
        break;
    case Symbol::folder: {
        QPainterPath path;
        path.moveTo(2, 4);
        path.lineTo(6.5, 4);
        path.lineTo(8, 5.5);
        path.lineTo(14, 5.5);
        path.lineTo(14, 13);
        path.lineTo(2, 13);
        path.closeSubpath();
        painter.drawPath(path);
        break;
    }
    case Symbol::arrowDownCircle:
        painter.drawEllipse(QRectF(2, 2, 12, 12));
        painter.drawLine(QPointF(8, 5), QPointF(8, 11));
        painter.drawPolyline(QPolygonF{{5.5, 8.5}, {8, 11}, {10.5, 8.5}});
        break;
    case Symbol::bellSlash: {
        QPainterPath bell;
        bell.moveTo(4, 11.5);
        bell.cubicTo(5, 10, 4.5, 4, 8, 4);
        bell.cubicTo(11.5, 4, 11, 10, 12, 11.5);
        bell.closeSubpath();
        painter.drawPath(bell);
        painter.drawLine(QPointF(7, 13.5), QPointF(9, 13.5));
        painter.drawLine(QPointF(2.5, 2.5), QPointF(13.5, 13.5));
        break;
    }
    }
}

} // namespace

QIcon themeIcon(Symbol symbol, const QColor &color)
{
    const QIcon theme = QIcon::fromTheme(themeIconName(symbol));
    if (!theme.isNull())
        return theme;
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        drawSymbol(painter, symbol, color);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace qm
