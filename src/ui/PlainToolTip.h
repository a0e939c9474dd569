#pragma once

#include <QString>

namespace qm {

// A tool tip that shows `text` exactly as written. Qt guesses whether a tool tip is rich text,
// so a folder called "<h1>Huge" would otherwise show as a heading: the text is escaped and
// wrapped so that the guess always sees rich text that draws the plain characters.
QString plainToolTip(const QString &text);

} // namespace qm
