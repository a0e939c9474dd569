#include "cli/CliTexts.h"

#include "units/SizeText.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <limits>

namespace qm {

QString signedSizeText(qint64 change, ByteUnit unit, const QLocale &locale)
{
    // The magnitude of the smallest 64-bit value does not fit: one byte less is the same text.
    const qint64 magnitude = change == std::numeric_limits<qint64>::min()
                                 ? std::numeric_limits<qint64>::max()
                                 : (change < 0 ? -change : change);
    return (change < 0 ? QStringLiteral("-") : QStringLiteral("+"))
           + listSizeText(magnitude, unit, locale);
}

QString newBadgeText()
{
    return QCoreApplication::translate("Growth", "New");
}

QString noBreakdownYetText()
{
    return QCoreApplication::translate("Growth", "No breakdown yet");
}

QString noNotableChangesText()
{
    return QCoreApplication::translate("Growth", "No notable changes");
}

QString cliJsonText(const QJsonObject &document)
{
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

QString cliTable(const QList<QStringList> &rows, const QList<int> &rightAligned)
{
    QList<qsizetype> widths;
    for (const QStringList &row : rows) {
        for (qsizetype column = 0; column < row.size(); ++column) {
            if (widths.size() <= column)
                widths.append(0);
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    QString text;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (qsizetype column = 0; column < row.size(); ++column) {
            const bool right = rightAligned.contains(int(column));
            cells.append(right ? row[column].rightJustified(widths[column])
                               : row[column].leftJustified(widths[column]));
        }
        QString line = cells.join(QStringLiteral("  "));
        while (line.endsWith(u' '))
            line.chop(1);
        text += line + u'\n';
    }
    return text;
}

} // namespace qm
