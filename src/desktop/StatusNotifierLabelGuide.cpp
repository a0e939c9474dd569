#include "desktop/StatusNotifierLabelGuide.h"

namespace qm {

QString statusNotifierLabelGuide(const QString &label)
{
    QString guide;
    guide.reserve(label.size() + 4);
    qsizetype i = 0;
    while (i < label.size()) {
        if (!label.at(i).isDigit()) {
            guide += label.at(i++);
            continue;
        }
        const qsizetype start = i;
        while (i < label.size() && label.at(i).isDigit())
            ++i;
        const bool decimals = start > 0
                              && (label.at(start - 1) == u'.' || label.at(start - 1) == u',')
                              && start > 1 && label.at(start - 2).isDigit();
        guide += decimals ? QString(i - start, u'8') : QStringLiteral("888");
    }
    return guide;
}

} // namespace qm
