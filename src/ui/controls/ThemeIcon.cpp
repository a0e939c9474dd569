#include "ui/controls/ThemeIcon.h"

#include "ui/controls/SymbolIcon.h"

#include <QPainter>
#include <QPainterPath>

#include <map>
#include <utility>

namespace qm {

QString glyphThemeName(Glyph glyph)
{
    switch (glyph) {
    case Glyph::chevronRight:
        return QStringLiteral("go-next");
    case Glyph::chevronDown:
        return QStringLiteral("go-down");
    case Glyph::chevronUp:
        return QStringLiteral("go-up");
    case Glyph::arrowDownCircle:
        return QStringLiteral("go-down");
    case Glyph::bellSlash:
        return QStringLiteral("notifications-disabled");
    }
    return {};
}

namespace {

// The glyph on a 16-unit square.
void drawGlyph(QPainter &painter, Glyph glyph, const QColor &color)
{
    QPen pen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::chevronRight:
        painter.drawPolyline(QPolygonF{{6, 3.5}, {10.5, 8}, {6, 12.5}});
        break;
    case Glyph::chevronDown:
        painter.drawPolyline(QPolygonF{{3.5, 6}, {8, 10.5}, {12.5, 6}});
        break;
    case Glyph::chevronUp:
        painter.drawPolyline(QPolygonF{{3.5, 10}, {8, 5.5}, {12.5, 10}});
        break;
    case Glyph::arrowDownCircle:
        painter.drawEllipse(QRectF(2, 2, 12, 12));
        painter.drawLine(QPointF(8, 5), QPointF(8, 11));
        painter.drawPolyline(QPolygonF{{5.5, 8.5}, {8, 11}, {10.5, 8.5}});
        break;
    case Glyph::bellSlash: {
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

QIcon glyphIcon(Glyph glyph, const QColor &color)
{
    const QIcon theme = QIcon::fromTheme(glyphThemeName(glyph));
    if (!theme.isNull())
        return theme;
    // The popover asks for its glyphs at every opening: each is drawn once per colour.
    using Key = std::pair<Glyph, QRgb>;
    static std::map<Key, QIcon> drawn;
    const Key key{glyph, color.rgba()};
    if (const auto it = drawn.find(key); it != drawn.end())
        return it->second;
    const QIcon icon = paintedIcon(
        [glyph](QPainter &painter, const QColor &ink) { drawGlyph(painter, glyph, ink); },
        color,
        color);
    drawn.emplace(key, icon);
    return icon;
}

} // namespace qm
