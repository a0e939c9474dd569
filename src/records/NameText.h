#pragma once

#include <QByteArrayView>
#include <QString>

namespace qm {

// File names are bytes; the records hold text. A name that is valid UTF-8 is its text; any
// other name can only be shown, never turned back into the same bytes.

// Whether the bytes are valid UTF-8 (and so can be stored as text and turned back into them).
bool isTextName(QByteArrayView name);

// The name as text: its decoding when it is valid UTF-8; otherwise the valid parts decoded and
// every other byte written as "\xHH", so that two names that differ keep different texts.
QString nameText(QByteArrayView name);

} // namespace qm
