#pragma once

#include <QChar>
#include <QPainterPath>
#include <QRect>
#include <QString>

namespace qm {

// The value icon's own lettering: the characters that the icon's number can hold, drawn as
// strokes on the pixel grid instead of taken from a font. A tray item that sits idle all day then
// never opens a font file, the font configuration or the shaping libraries only to draw three
// digits, and the strokes stay as crisp at 16 pixels as hand-made pixel lettering.
//
// Each glyph is a line drawing in a box of whole pixels: stems and bars sit on whole pixels, the
// curves between them are antialiased. The digits but "1" have one width; "1", the point, "T",
// "%" and "—" have widths of their own.

// Whether the lettering has a glyph of its own for `c`: the digits 0-9, ".", "%", "T" and "—".
bool hasTrayGlyph(QChar c);

// `text` in the tray lettering as a filled outline in device pixels, centred in `box`: the
// digits as tall as the box allows, made narrower (down to a limit) and closer together (down to
// a pixel) before they get shorter, at most `gap` pixels between neighbouring glyphs and more
// beside a decimal point. A character without a glyph of its own (the digits of a locale that
// writes other digits) is taken from the desktop's bold font at the digits' height. Empty for an
// empty text or a box too small for any glyph.
QPainterPath trayGlyphText(const QString &text, const QRect &box, int gap);

} // namespace qm
