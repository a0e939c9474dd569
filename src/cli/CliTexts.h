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

// One JSON document as the tool prints it: indented, ending with a line feed.
QString cliJsonText(const QJsonObject &document);

// Lines of cells padded to the widest cell of each column, joined by two spaces; the columns
// listed in `rightAligned` are aligned to the right. Trailing spaces are dropped.
QString cliTable(const QList<QStringList> &rows, const QList<int> &rightAligned = {});

} // namespace qm
