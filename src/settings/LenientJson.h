#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace qm {

// QJsonDocument::fromJson for the record files, where one bad value must not hide the rest.
// Qt refuses a whole text for a single value it cannot hold: a number beyond the range of a
// double (1e400, -1e400, 1e-400) or a string that is not valid UTF-8. Here such a value reads
// as null, and an object member whose key is such a string is left out, so the readers drop it
// like any other bad value. Text that is not JSON at all fails as with Qt. `refusedValues` is
// set to whether any value or key was replaced or left out so.
QJsonDocument parseJsonLeniently(const QByteArray &text,
                                 QJsonParseError *error = nullptr,
                                 bool *refusedValues = nullptr);

} // namespace qm
