#include "ui/tray/MenuBarImage.h"

#include "ui/tray/TrayGlyphs.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace qm {

namespace {

// The tray icon's own colours, readable on light and dark panels alike.
const QColor trayRim(0x2c, 0x2c, 0x2e, 0xe6);
const QColor trayTrack(0xf2, 0xf2, 0xf7);
const QColor trayNormalFill(0x48, 0x48, 0x4a);

// The value icon's plate and glyphs: light on a nearly opaque dark plate, so that the number has
// the same contrast on a light panel, a dark one or a wallpaper seen through a transparent one.
const QColor valuePlate(0x1c, 0x1c, 0x1e, 0xf0);
const QColor valueGlyphs(0xff, 0xff, 0xff);
const QColor valueNormalFill(0xf2, 0xf2, 0xf7);

bool isLight(const QColor &color)
{
    return color.lightnessF() > 0.5;
}

} // namespace

QFont menuBarFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

QColor menuBarLabelColor()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

QColor freeSpaceLevelColor(std::optional<FreeSpaceLevel> level, const QColor &labelColor)
{
    const bool onDarkPanel = isLight(labelColor);
    switch (level.value_or(FreeSpaceLevel::normal)) {
    case FreeSpaceLevel::normal:
        return labelColor;
    case FreeSpaceLevel::warning:
        return onDarkPanel ? QColor(0xff, 0xd6, 0x0a) : QColor(0xff, 0xcc, 0x00);
    case FreeSpaceLevel::critical:
        break;
    }
    return onDarkPanel ? QColor(0xff, 0x45, 0x3a) : QColor(0xff, 0x3b, 0x30);
}

MenuBarImageLayout measuredMenuBarImageLayout(const QString &text,
                                              const QFont &font,
                                              const std::optional<DiskSpace> &space,
                                              const Settings &settings)
{
    const QFontMetricsF metrics(font);
    return menuBarImageLayout(
        text,
        metrics.height(),
        [&metrics](const QString &part) { return metrics.horizontalAdvance(part); },
        space,
        settings);
}

QImage menuBarImage(const QString &text,
                    const std::optional<DiskSpace> &space,
                    const Settings &settings,
                    qreal devicePixelRatio,
                    const QFont &font,
                    const QColor &labelColor)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1;
    const MenuBarImageLayout layout = measuredMenuBarImageLayout(text, font, space, settings);
    const QSize pixels(qMax(1, qCeil(layout.imageSize.width() * ratio)),
                       qMax(1, qCeil(layout.imageSize.height() * ratio)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(labelColor);
    painter.drawText(layout.textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    if (!layout.gauge.has_value())
        return image;

    painter.setPen(Qt::NoPen);
    QColor track = labelColor;
    track.setAlphaF(0.25f * labelColor.alphaF());
    painter.setBrush(track);
    painter.drawRoundedRect(*layout.gauge, 1, 1);
    if (layout.fillWidth > 0) {
        const QRectF fill(layout.gauge->topLeft(),
                          QSizeF(layout.fillWidth, layout.gauge->height()));
        painter.setBrush(freeSpaceLevelColor(freeSpaceLevel(space, settings), labelColor));
        painter.drawRoundedRect(fill, 1, 1);
    }
    return image;
}

QColor trayIconFillColor(std::optional<FreeSpaceLevel> level)
{
    // The track is light on every panel, so the fills are those that go with dark text.
    return freeSpaceLevelColor(level, trayNormalFill);
}

namespace {

// The parts of the glyph icon in a square of `side` pixels, laid out on a 16-pixel grid and
// scaled, with every edge on a whole pixel so that the bar stays crisp at the small sizes trays
// use: a wide bar, vertically centred, with a rim and, from 20 pixels on, a gap between the
// track's edge and the fill.
struct TrayGlyphIconLayout
{
    int rim = 1;
    int gap = 0;
    qreal radius = 0;
    QRect body;
    QRect track;
    QRect fillArea;
};

TrayGlyphIconLayout trayGlyphIconLayout(int side)
{
    const qreal unit = side / 16.0;
    TrayGlyphIconLayout layout;
    layout.rim = qMax(1, qRound(unit));
    layout.gap = side >= 20 ? qRound(unit) : 0;
    const int height = qRound(9 * unit);
    const int left = qMax(1, qRound(unit / 2));
    layout.body = QRect(left, (side - height) / 2, side - 2 * left, height);
    layout.track = layout.body.adjusted(layout.rim, layout.rim, -layout.rim, -layout.rim);
    layout.fillArea = layout.track.adjusted(layout.gap, layout.gap, -layout.gap, -layout.gap);
    layout.radius = 2.5 * unit;
    return layout;
}

// The pixel sizes of the two icons.
const int trayIconSizes[] = {16, 22, 24, 32, 48, 64};
const int trayValueIconSizes[] = {16, 22, 24, 32, 44, 48, 64};

} // namespace

QImage trayIconImage(const std::optional<DiskSpace> &space, const Settings &settings, int size)
{
    const int side = qMax(size, 8);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    const TrayGlyphIconLayout layout = trayGlyphIconLayout(side);
    const int rim = layout.rim;
    const int gap = layout.gap;
    const QRect body = layout.body;
    const QRect track = layout.track;
    const QRect fillArea = layout.fillArea;
    const qreal radius = layout.radius;

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trayRim);
    painter.drawRoundedRect(QRectF(body), radius, radius);
    painter.setBrush(trayTrack);
    painter.drawRoundedRect(QRectF(track), radius - rim, radius - rim);

    // The used part starts round like the track and ends straight, as a level does. With the
    // gauge switched off the icon is the empty track alone: no fill and no level colour.
    const int fillWidth
        = settings.showGauge ? qRound(menuBarUsedFraction(space) * fillArea.width()) : 0;
    if (fillWidth > 0) {
        const qreal fillRadius = qMax<qreal>(1, radius - rim - gap);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(fillArea), fillRadius, fillRadius);
        painter.setClipPath(clip);
        painter.fillRect(QRect(fillArea.left(), fillArea.top(), fillWidth, fillArea.height()),
                         trayIconFillColor(freeSpaceLevel(space, settings)));
    }
    return image;
}

QIcon trayIcon(const std::optional<DiskSpace> &space, const Settings &settings)
{
    QIcon icon;
    for (int size : trayIconSizes)
        icon.addPixmap(QPixmap::fromImage(trayIconImage(space, settings, size)));
    return icon;
}

QColor trayValueFillColor(std::optional<FreeSpaceLevel> level)
{
    // The plate is dark on every panel, so the fills are those that go with light text.
    return freeSpaceLevelColor(level, valueNormalFill);
}

TrayValueIconLayout trayValueIconLayout(int pixels, bool showGauge)
{
    const int side = qMax(pixels, 8);
    const qreal unit = side / 16.0;
    const int margin = qMax(1, qRound(unit));
    TrayValueIconLayout layout;
    layout.side = side;
    layout.cornerRadius = 2.5 * unit;
    layout.glyphGap = margin;
    int textBottom = side - margin;
    if (showGauge) {
        const int height = qMax(2, qRound(2 * unit));
        const int inset = qMax(2, qRound(2 * unit));
        layout.gauge = QRect(inset, side - margin - height, side - 2 * inset, height);
        textBottom = layout.gauge->top() - margin;
    }
    layout.textBox = QRect(margin, margin, side - 2 * margin, textBottom - margin);
    return layout;
}

QImage trayValueIconImage(const std::optional<DiskSpace> &space,
                          const Settings &settings,
                          int size,
                          qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1;
    const TrayValueIconLayout layout
        = trayValueIconLayout(qRound(qMax(size, 8) * ratio), settings.showGauge);
    // Painted in device pixels; the ratio is set once the picture is done.
    QImage image(layout.side, layout.side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(valuePlate);
    painter.drawRoundedRect(
        QRectF(0, 0, layout.side, layout.side), layout.cornerRadius, layout.cornerRadius);

    painter.setBrush(valueGlyphs);
    painter.drawPath(trayGlyphText(
        compactTrayText(settings.menuBarStyle, space, settings), layout.textBox, layout.glyphGap));
    if (layout.gauge.has_value()) {
        const QRectF gauge(*layout.gauge);
        QColor track = valueNormalFill;
        track.setAlphaF(0.3f);
        const qreal gaugeRadius = gauge.height() / 2;
        painter.setBrush(track);
        painter.drawRoundedRect(gauge, gaugeRadius, gaugeRadius);
        const int fillWidth = qRound(menuBarUsedFraction(space) * gauge.width());
        if (fillWidth > 0) {
            QPainterPath clip;
            clip.addRoundedRect(gauge, gaugeRadius, gaugeRadius);
            painter.setClipPath(clip);
            painter.fillRect(
                QRect(layout.gauge->left(), layout.gauge->top(), fillWidth, layout.gauge->height()),
                trayValueFillColor(freeSpaceLevel(space, settings)));
        }
    }
    painter.end();
    image.setDevicePixelRatio(ratio);
    return image;
}

QIcon trayValueIcon(const std::optional<DiskSpace> &space, const Settings &settings)
{
    QIcon icon;
    for (int size : trayValueIconSizes)
        icon.addPixmap(QPixmap::fromImage(trayValueIconImage(space, settings, size)));
    return icon;
}

TrayIconFace
trayIconFace(const std::optional<DiskSpace> &space, const Settings &settings, bool valueInIcon)
{
    TrayIconFace face;
    face.valueInIcon = valueInIcon;
    face.showGauge = settings.showGauge;
    face.level = freeSpaceLevel(space, settings);
    const double used = menuBarUsedFraction(space);
    if (valueInIcon) {
        face.text = compactTrayText(settings.menuBarStyle, space, settings);
        for (const int size : trayValueIconSizes) {
            const std::optional<QRect> gauge = trayValueIconLayout(size, settings.showGauge).gauge;
            face.fills.append(gauge ? qRound(used * gauge->width()) : 0);
        }
    } else {
        for (const int size : trayIconSizes) {
            const int width = trayGlyphIconLayout(qMax(size, 8)).fillArea.width();
            face.fills.append(settings.showGauge ? qRound(used * width) : 0);
        }
    }
    return face;
}

} // namespace qm
