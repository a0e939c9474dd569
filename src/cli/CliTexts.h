#pragma once

#include "units/ByteUnit.h"

#include <QJsonObject>
#include <QLocale>
#include <QString>

namespace qm {

// The change of a growth row: "+" (or "-", ASCII hyphen-minus, for a decrease) followed by the
// list size text of its magnitude ("+1.2 GB", "-300 MB").
QString signedSizeText(qint64 change, ByteUnit unit, const QLocale &locale = QLocale());

// The badge of a folder or child that is new since the day compared with: "New".
QString newBadgeText();
// Under a grown folder: its children cannot be compared ("No breakdown yet"), or none grew
// enough to be listed ("No notable changes").
QString noBreakdownYetText();
QString noNotableChangesText();

// A name or path as the text output prints it, so that a row stays one line and its columns
// hold: unchanged when nothing in it needs escaping, otherwise quoted in the shell's $'…' form
// (as GNU ls writes such names on a terminal), which pasted into a shell gives the name back.
// Escaped inside: control characters ("\n", "\t", "\e", "\x01"; C1 as "\u0085"), Unicode
// format characters such as the bidirectional overrides and isolates ("\u202E"), line and
// paragraph separators, lone surrogates, and the backslash and "'" themselves. A byte that is
// not UTF-8, which the records keep as the text "\xHH" (HH 80 to FF, see nameText), is written
// as that "\xHH", so the shell gives the byte back. White space at either end, and a "$'" at the
// start, are quoted as well.
QString terminalText(QStringView text);

// How many columns of a terminal `text` takes: 2 for each wide character (East Asian wide and
// full-width characters, most emoji), none for combining marks and format characters, 1 for the
// others.
qsizetype terminalColumns(QStringView text);

// One JSON document as the tool prints it: indented, ending with a line feed.
QString cliJsonText(const QJsonObject &document);

// Lines of cells padded to the widest cell of each column (in terminal columns), joined by two
// spaces; the columns listed in `rightAligned` are aligned to the right. Trailing spaces are
// dropped.
QString cliTable(const QList<QStringList> &rows, const QList<int> &rightAligned = {});

} // namespace qm
