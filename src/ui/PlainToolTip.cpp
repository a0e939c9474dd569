#include "ui/PlainToolTip.h"

#include <QTextDocument>

namespace qm {

QString plainToolTip(const QString &text)
{
    if (text.isEmpty())
        return {};
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

} // namespace qm
