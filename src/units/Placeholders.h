#pragma once

#include <QString>
#include <QStringList>

namespace qm {

// Fills the placeholders of a localized text in order: "%@" and "%lld" take the next value,
// "%%" is a percent sign; any other "%" stays as it is, and so does a placeholder without a
// value. Values are inserted in one pass, so a value that itself holds "%@" stays as it is.
QString fillPlaceholders(const QString &format, const QStringList &values);

} // namespace qm
