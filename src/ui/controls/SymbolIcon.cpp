#include "ui/controls/SymbolIcon.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QToolButton>

#include <map>
#include <tuple>

namespace qm {

QString symbolThemeName(Symbol symbol)
{
    switch (symbol) {
    case Symbol::folder:
        return QStringLiteral("folder");
    case Symbol::trash:
        return QStringLiteral("user-trash");
    case Symbol::lock:
        return QStringLiteral("object-locked");
    case Symbol::general:
        return QStringLiteral("preferences-system");
    case Symbol::menuBar:
        return QStringLiteral("preferences-desktop");
    case Symbol::bell:
        return QStringLiteral("preferences-desktop-notification");
    case Symbol::examine:
        return QStringLiteral("system-search");
    case Symbol::info:
        break;
    }
    return QStringLiteral("help-about");
}

namespace {

// Draws the symbol in a 16 × 16 box.
void drawSymbol(QPainter &p, Symbol symbol, const QColor &color)
{
    QPen pen(color, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
    case Symbol::folder: {
        QPainterPath path;
        path.moveTo(1.5, 3.5);
        path.lineTo(6, 3.5);
        path.lineTo(7.5, 5);
        path.lineTo(14.5, 5);
        path.lineTo(14.5, 13);
        path.lineTo(1.5, 13);
        path.closeSubpath();
        p.drawPath(path);
        p.drawLine(QPointF(1.5, 7), QPointF(14.5, 7));
        break;
    }
    case Symbol::trash:
        p.drawLine(QPointF(2, 4), QPointF(14, 4));
        p.drawLine(QPointF(6, 4), QPointF(6.5, 2));
        p.drawLine(QPointF(6.5, 2), QPointF(9.5, 2));
        p.drawLine(QPointF(9.5, 2), QPointF(10, 4));
        p.drawRoundedRect(QRectF(3.5, 4, 9, 10.5), 1.5, 1.5);
        p.drawLine(QPointF(6.5, 6.5), QPointF(6.5, 12));
        p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12));
        break;
    case Symbol::lock:
        p.setBrush(color);
        p.drawRoundedRect(QRectF(3, 7, 10, 7.5), 1.5, 1.5);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5, 2, 6, 9), 0, 180 * 16);
        p.drawLine(QPointF(5, 6.5), QPointF(5, 7));
        p.drawLine(QPointF(11, 6.5), QPointF(11, 7));
        break;
    case Symbol::general:
        p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(8, 8);
            p.rotate(i * 45);
            p.drawLine(QPointF(0, -4), QPointF(0, -6.5));
            p.restore();
        }
        p.drawEllipse(QPointF(8, 8), 4.3, 4.3);
        break;
    case Symbol::menuBar:
        p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
        p.setBrush(color);
        p.drawRect(QRectF(1.5, 2.5, 13, 3));
        break;
    case Symbol::bell: {
        QPainterPath path;
        path.moveTo(3, 12);
        path.lineTo(13, 12);
        path.lineTo(12, 10.5);
        path.lineTo(12, 7);
        path.cubicTo(12, 2, 4, 2, 4, 7);
        path.lineTo(4, 10.5);
        path.closeSubpath();
        p.drawPath(path);
        p.drawArc(QRectF(6.5, 12, 3, 2.5), 180 * 16, 180 * 16);
        p.setBrush(QColor(0xff, 0x3b, 0x30));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(12.5, 3.5), 2.2, 2.2);
        break;
    }
    case Symbol::examine:
        p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        p.drawLine(QPointF(9.8, 9.8), QPointF(14, 14));
        break;
    case Symbol::info:
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        p.drawLine(QPointF(8, 7), QPointF(8, 11.5));
        p.setBrush(color);
        p.drawEllipse(QPointF(8, 4.8), 0.6, 0.6);
        break;
    }
}

} // namespace

QIcon paintedIcon(const std::function<void(QPainter &, const QColor &)> &draw,
                  const QColor &color,
                  const QColor &selectedColor)
{
    constexpr qreal disabledOpacity = 0.4;
    QIcon icon;
    for (const int scale : {1, 2}) {
        for (const int size : {16, 32}) {
            for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Selected, QIcon::Disabled}) {
                QPixmap pixmap(size * scale, size * scale);
                pixmap.setDevicePixelRatio(scale);
                pixmap.fill(Qt::transparent);
                QPainter painter(&pixmap);
                painter.setRenderHint(QPainter::Antialiasing);
                // A button that takes no click must look so in light and dark schemes alike;
                // Qt's own disabled form of a light symbol stays nearly as bright.
                if (mode == QIcon::Disabled)
                    painter.setOpacity(disabledOpacity);
                painter.scale(size / 16.0, size / 16.0);
                draw(painter, mode == QIcon::Selected ? selectedColor : color);
                painter.end();
                icon.addPixmap(pixmap, mode);
            }
        }
    }
    return icon;
}

QIcon drawnSymbolIcon(Symbol symbol, const QColor &color, const QColor &selectedColor)
{
    // Every row of the Growth tab carries the same few symbols and the popover builds its rows
    // at each opening: each symbol is drawn once per pair of colours (a handful of icons of a
    // few kilobytes each) and shared from then on.
    using Key = std::tuple<Symbol, QRgb, QRgb>;
    static std::map<Key, QIcon> drawn;
    const Key key{symbol, color.rgba(), selectedColor.rgba()};
    if (const auto it = drawn.find(key); it != drawn.end())
        return it->second;
    const QIcon icon = paintedIcon(
        [symbol](QPainter &painter, const QColor &ink) { drawSymbol(painter, symbol, ink); },
        color,
        selectedColor);
    drawn.emplace(key, icon);
    return icon;
}

QIcon symbolIcon(Symbol symbol)
{
    const QString name = symbolThemeName(symbol);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    const QPalette palette = QApplication::palette();
    return drawnSymbolIcon(
        symbol, palette.color(QPalette::WindowText), palette.color(QPalette::HighlightedText));
}

QToolButton *
symbolButton(Symbol symbol, const QString &toolTip, const QString &accessibleName, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(symbolIcon(symbol));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(toolTip);
    button->setAccessibleName(accessibleName);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace qm
