#include "units/Placeholders.h"

namespace qm {

QString fillPlaceholders(const QString &format, const QStringList &values)
{
    QString text;
    text.reserve(format.size() + 16);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QStringView rest = QStringView(format).mid(i);
        if (rest.startsWith(u"%%")) {
            text += QLatin1Char('%');
            i += 1;
        } else if (rest.startsWith(u"%@") && next < values.size()) {
            text += values.at(next++);
            i += 1;
        } else if (rest.startsWith(u"%lld") && next < values.size()) {
            text += values.at(next++);
            i += 3;
        } else {
            text += format.at(i);
        }
    }
    return text;
}

} // namespace qm
