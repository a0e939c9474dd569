#include "ui/tray/TrayGlyphs.h"

#include <QFont>
#include <QFontDatabase>
#include <QList>
#include <QPainterPathStroker>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>

namespace qm {

namespace {

constexpr char16_t emDash = u'\u2014';

// The lettering's proportions: a digit's natural width and the narrowest it may be squeezed to,
// as parts of its height, and the stroke as a part of the height.
constexpr qreal naturalWidth = 0.6;
constexpr qreal narrowestWidth = 0.45;
constexpr qreal strokeHeight = 0.14;
// Below these a digit has no room for a counter.
constexpr int smallestDigitWidth = 3;
constexpr int smallestDigitHeight = 5;
// Path operations flatten curves to within about half a unit: the glyphs are outlined this many
// times larger and scaled back, so the curves keep their shape at a few pixels.
constexpr qreal outlineScale = 16;

// One glyph's box of whole pixels and the stroke it is drawn with. Stroke centrelines run half a
// stroke inside the box, so that a stroke along an edge covers whole pixels.
struct GlyphBox
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int stroke = 1;

    qreal left() const { return x + stroke / 2.0; }
    qreal right() const { return x + width - stroke / 2.0; }
    qreal top() const { return y + stroke / 2.0; }
    qreal bottom() const { return y + height - stroke / 2.0; }
    // A centreline at `part` of the way across or down, on the pixel grid.
    qreal atX(qreal part) const { return left() + std::round((right() - left()) * part); }
    qreal atY(qreal part) const { return top() + std::round((bottom() - top()) * part); }
    // The radius of a round corner: under half the inner width (a full half leaves no straight
    // edge and a narrow loop reads as an ellipse), no more than a quarter of the height.
    qreal radius() const { return qMin((right() - left()) * 0.4, (bottom() - top()) / 4); }
};

void addLoop(QPainterPath &path, qreal left, qreal top, qreal right, qreal bottom, qreal radius)
{
    const qreal r = qMin(radius, qMin(right - left, bottom - top) / 2);
    path.addRoundedRect(QRectF(left, top, right - left, bottom - top), r, r);
}

// A bowl open to the left: from (`fromX`, `top`) right and round down to (`toX`, `bottom`).
void addRightBowl(QPainterPath &path,
                  qreal fromX,
                  qreal top,
                  qreal right,
                  qreal bottom,
                  qreal toX,
                  qreal radius,
                  bool moveFirst)
{
    const qreal r = qMin(radius, (bottom - top) / 2);
    if (moveFirst)
        path.moveTo(fromX, top);
    else
        path.lineTo(fromX, top);
    path.lineTo(right - r, top);
    path.arcTo(QRectF(right - 2 * r, top, 2 * r, 2 * r), 90, -90);
    path.lineTo(right, bottom - r);
    path.arcTo(QRectF(right - 2 * r, bottom - 2 * r, 2 * r, 2 * r), 0, -90);
    path.lineTo(toX, bottom);
}

// The centrelines of a glyph drawn in strokes, in pixels.
QPainterPath strokedGlyph(QChar c, const GlyphBox &g)
{
    const qreal l = g.left();
    const qreal r = g.right();
    const qreal t = g.top();
    const qreal b = g.bottom();
    const qreal round = g.radius();
    QPainterPath path;
    switch (c.unicode()) {
    case u'0':
        addLoop(path, l, t, r, b, round);
        break;
    case u'1': {
        const qreal stem = g.atX(0.62);
        path.moveTo(l, t + (stem - l));
        path.lineTo(stem, t);
        path.lineTo(stem, b);
        break;
    }
    case u'2':
        path.moveTo(l, t + round);
        path.arcTo(QRectF(l, t, r - l, 2 * round), 180, -180);
        path.lineTo(r, qMax(t + round, g.atY(0.38)));
        path.lineTo(l, b);
        path.lineTo(r, b);
        break;
    case u'3': {
        const qreal middle = g.atY(0.48);
        const qreal join = g.atX(0.3);
        // Its ends stop short of the left edge, clear of a decimal point before it.
        const qreal end = g.atX(0.2);
        addRightBowl(path, end, t, r, middle, join, round, true);
        addRightBowl(path, join, middle, r, b, end, round, true);
        break;
    }
    case u'4': {
        const qreal stem = g.atX(0.72);
        const qreal bar = g.atY(0.66);
        path.moveTo(stem, b);
        path.lineTo(stem, t);
        path.lineTo(l, bar);
        path.lineTo(r, bar);
        break;
    }
    case u'5': {
        const qreal shoulder = g.atY(0.42);
        path.moveTo(r, t);
        path.lineTo(l, t);
        addRightBowl(path, l, shoulder, r, b, l, round, false);
        break;
    }
    case u'6': {
        // The "9" turned around.
        const qreal shoulder = g.atY(0.45);
        addLoop(path, l, shoulder, r, b, round);
        path.moveTo(l, b - qMin(round, (b - shoulder) / 2));
        path.lineTo(l, shoulder);
        path.lineTo(g.atX(0.7), t);
        break;
    }
    case u'7':
        path.moveTo(l, t);
        path.lineTo(r, t);
        path.lineTo(g.atX(0.3), b);
        break;
    case u'8': {
        const qreal waist = g.atY(0.46);
        const qreal inset = (r - l) >= 5 ? std::round((r - l) * 0.1) : 0;
        addLoop(path, l + inset, t, r - inset, waist, round);
        addLoop(path, l, waist, r, b, round);
        break;
    }
    case u'9': {
        // A loop with a straight tail, which a curled one at this size turns into a "g".
        const qreal shoulder = g.atY(0.55);
        addLoop(path, l, t, r, shoulder, round);
        path.moveTo(r, t + qMin(round, (shoulder - t) / 2));
        path.lineTo(r, shoulder);
        path.lineTo(g.atX(0.3), b);
        break;
    }
    case u'T': {
        const qreal stem = g.atX(0.5);
        path.moveTo(l, t);
        path.lineTo(r, t);
        path.moveTo(stem, t);
        path.lineTo(stem, b);
        break;
    }
    case u'%':
        path.moveTo(l, b);
        path.lineTo(r, t);
        break;
    case emDash:
        path.moveTo(l, g.atY(0.5));
        path.lineTo(r, g.atY(0.5));
        break;
    default:
        break;
    }
    return path;
}

// The parts of a glyph that are filled rather than stroked, in pixels: the decimal point, and the
// two rings of "%" (solid while they are too small to hold a hole).
QPainterPath filledGlyph(QChar c, const GlyphBox &g)
{
    QPainterPath path;
    if (c == u'.') {
        path.addRect(g.x, g.y + g.height - g.width, g.width, g.width);
    } else if (c == u'%') {
        const int ringWidth = qMax(3, qRound(g.width * 0.42));
        const int ringHeight = qMax(3, qRound(g.height * 0.36));
        const int ringStroke = qMax(1, g.stroke - 1);
        const QRect rings[] = {
            QRect(g.x, g.y, ringWidth, ringHeight),
            QRect(g.x + g.width - ringWidth, g.y + g.height - ringHeight, ringWidth, ringHeight)};
        for (const QRect &ring : rings) {
            if (ringWidth - 2 * ringStroke < 1 || ringHeight - 2 * ringStroke < 1) {
                path.addRect(ring);
                continue;
            }
            // Even-odd filling makes the inner outline the hole.
            path.addRoundedRect(ring, ringWidth / 2.0, ringWidth / 2.0);
            const QRectF hole
                = QRectF(ring).adjusted(ringStroke, ringStroke, -ringStroke, -ringStroke);
            path.addRoundedRect(hole, hole.width() / 2, hole.width() / 2);
        }
    }
    return path;
}

// A character without a glyph of its own, from the desktop's bold font: its outline at a large
// size, with the ink height of the font's "0" as the height to scale it to.
struct FontGlyph
{
    QPainterPath outline;
    QRectF digitInk;
};

FontGlyph fontGlyph(QChar c)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::Bold);
    font.setPixelSize(100);
    FontGlyph glyph;
    QPainterPath digit;
    digit.addText(0, 0, font, QStringLiteral("0"));
    glyph.digitInk = digit.boundingRect();
    glyph.outline.addText(0, 0, font, QString(c));
    return glyph;
}

// The width of `c` in pixels next to digits `digitWidth` wide and `height` tall.
int glyphWidth(
    QChar c, int digitWidth, int height, int stroke, const std::optional<FontGlyph> &fromFont)
{
    switch (c.unicode()) {
    case u'1':
        return qMax(smallestDigitWidth, digitWidth / 2 + 1);
    case u'.':
        // A point as thin as the strokes is taken for a speck.
        return std::max({2, stroke + 1, qRound(height * 0.25)});
    case u'T': {
        // Wider than a digit, or its bar reads as the top of a "7"; the stem stays on whole
        // pixels.
        const int width = qRound(digitWidth * 1.5);
        return (width - stroke) % 2 == 0 ? width : qMax(digitWidth, width - 1);
    }
    case u'%':
        return qMax(5, qRound(digitWidth * 1.3));
    case emDash:
        return qRound(digitWidth * 1.5);
    default:
        break;
    }
    if (hasTrayGlyph(c))
        return digitWidth;
    if (!fromFont || fromFont->digitInk.height() <= 0)
        return 0;
    return qCeil(fromFont->outline.boundingRect().width() * height / fromFont->digitInk.height());
}

int strokeFor(int digitWidth, int height)
{
    return qBound(1, qRound(height * strokeHeight), qMax(1, digitWidth / 3));
}

// Where the glyphs of a text go: their widths and the gaps between them, in pixels, and the
// digits' height and stroke.
struct GlyphRow
{
    QList<int> widths;
    QList<int> gaps;
    int height = 0;
    int stroke = 1;

    int width() const
    {
        int total = 0;
        for (const int width : widths)
            total += width;
        for (const int gap : gaps)
            total += gap;
        return total;
    }
};

QPainterPath laidOutGlyphs(const QString &text,
                           const QList<std::optional<FontGlyph>> &fromFont,
                           const QRect &box,
                           const GlyphRow &row)
{
    int x = box.left() + (box.width() - row.width()) / 2;
    const int y = box.top() + (box.height() - row.height) / 2;
    const QTransform enlarge = QTransform::fromScale(outlineScale, outlineScale);
    const QTransform reduce = QTransform::fromScale(1 / outlineScale, 1 / outlineScale);
    QPainterPathStroker pen;
    pen.setWidth(row.stroke * outlineScale);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(2);

    QPainterPath laidOut;
    laidOut.setFillRule(Qt::WindingFill);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const GlyphBox glyph{x, y, row.widths.at(i), row.height, row.stroke};
        if (const std::optional<FontGlyph> &font = fromFont.at(i)) {
            const qreal scale = row.height / font->digitInk.height();
            QTransform place;
            place.translate(x, y);
            place.scale(scale, scale);
            place.translate(-font->outline.boundingRect().left(), -font->digitInk.top());
            laidOut.addPath(place.map(font->outline));
        } else {
            // Square caps reach the box's edges; what they put beyond them (the ends of slanted
            // strokes) is cut off at the box.
            QPainterPath area;
            area.addRect(QRectF(x, y, glyph.width, glyph.height));
            const QPainterPath strokes
                = pen.createStroke(enlarge.map(strokedGlyph(text.at(i), glyph)))
                      .united(enlarge.map(filledGlyph(text.at(i), glyph)))
                      .intersected(enlarge.map(area));
            laidOut.addPath(reduce.map(strokes));
        }
        x += glyph.width + row.gaps.value(i);
    }
    return laidOut;
}

} // namespace

bool hasTrayGlyph(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u'.' || c == u'%' || c == u'T' || c == emDash;
}

QPainterPath trayGlyphText(const QString &text, const QRect &box, int gap)
{
    if (text.isEmpty())
        return {};
    QList<std::optional<FontGlyph>> fromFont;
    for (const QChar c : text)
        fromFont.append(hasTrayGlyph(c) ? std::nullopt : std::optional(fontGlyph(c)));
    // The tallest digits that fit. At each height a decimal point first gets two pixels more
    // than the gap on each side (three at least), then one more (two at least), so that it is
    // never read as part of a digit beside it; each of these from the digits' natural width down
    // to the narrowest, with the gap between glyphs given up to a pixel before the digits get
    // smaller. A point as close as the other glyphs only when nothing else fits.
    enum class PointRoom { wide, narrow, none };
    // Beside the open foot of a "7" a point needs the wide room to stand apart.
    const bool sevenPoint = text.contains(u"7.");
    const auto rowFor = [&](int height, int digitWidth, int glyphGap, PointRoom room) {
        GlyphRow row{{}, {}, height, strokeFor(digitWidth, height)};
        for (qsizetype i = 0; i < text.size(); ++i) {
            row.widths.append(
                glyphWidth(text.at(i), digitWidth, height, row.stroke, fromFont.at(i)));
            if (i + 1 == text.size())
                break;
            const bool point = text.at(i) == u'.' || text.at(i + 1) == u'.';
            if (point && (room == PointRoom::wide || sevenPoint))
                row.gaps.append(qMax(3, glyphGap + 2));
            else if (point && room == PointRoom::narrow)
                row.gaps.append(qMax(2, glyphGap + 1));
            else
                row.gaps.append(glyphGap);
        }
        return row;
    };
    for (const bool pointTight : {false, true}) {
        for (int height = box.height(); height >= smallestDigitHeight; --height) {
            const int natural = qRound(height * naturalWidth);
            const int narrowest = qMax(smallestDigitWidth, qCeil(height * narrowestWidth));
            const QList<PointRoom> rooms
                = pointTight ? QList<PointRoom>{PointRoom::none}
                             : QList<PointRoom>{PointRoom::wide, PointRoom::narrow};
            for (const PointRoom room : rooms) {
                for (int digitWidth = natural; digitWidth >= narrowest; --digitWidth) {
                    for (int glyphGap = qMax(gap, 1); glyphGap >= 1; --glyphGap) {
                        const GlyphRow row = rowFor(height, digitWidth, glyphGap, room);
                        if (row.width() <= box.width())
                            return laidOutGlyphs(text, fromFont, box, row);
                    }
                }
            }
        }
    }
    // Too long for the box even at the smallest: centred on it, cut off at both ends.
    if (box.height() < smallestDigitHeight)
        return {};
    return laidOutGlyphs(
        text, fromFont, box, rowFor(smallestDigitHeight, smallestDigitWidth, 1, PointRoom::none));
}

} // namespace qm
