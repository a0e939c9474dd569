#include "cli/CliTexts.h"

#include "units/SizeText.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <limits>

namespace qm {

namespace {

// The length of a byte that is not UTF-8 as the records write it, "\xHH" with HH from 80 to FF
// in capitals, at `at`; 0 when none starts there.
qsizetype recordedByteAt(QStringView text, qsizetype at)
{
    if (at + 4 > text.size() || text[at] != u'\\' || text[at + 1] != u'x')
        return 0;
    const auto isHexDigit = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
    };
    if (!isHexDigit(text[at + 2]) || !isHexDigit(text[at + 3]) || text[at + 2] < u'8')
        return 0;
    return 4;
}

// The escape of one code point inside $'…', or nothing when it is printed as it is.
QString escapeOf(char32_t c)
{
    switch (c) {
    case 0x07:
        return QStringLiteral("\\a");
    case 0x08:
        return QStringLiteral("\\b");
    case 0x09:
        return QStringLiteral("\\t");
    case 0x0A:
        return QStringLiteral("\\n");
    case 0x0B:
        return QStringLiteral("\\v");
    case 0x0C:
        return QStringLiteral("\\f");
    case 0x0D:
        return QStringLiteral("\\r");
    case 0x1B:
        return QStringLiteral("\\e");
    case u'\\':
        return QStringLiteral("\\\\");
    case u'\'':
        return QStringLiteral("\\'");
    default:
        break;
    }
    const auto hex = [c](int digits) {
        return QString::number(uint(c), 16).toUpper().rightJustified(digits, u'0');
    };
    // A control character below 0x80 is one byte; a C1 control is a character of two.
    if (c < 0x20 || c == 0x7F)
        return QStringLiteral("\\x") + hex(2);
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return c > 0xFFFF ? QStringLiteral("\\U") + hex(8) : QStringLiteral("\\u") + hex(4);
    default:
        return {};
    }
}

} // namespace

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

QString terminalText(QStringView text)
{
    QString quoted = QStringLiteral("$'");
    bool needsQuotes = text.startsWith(QLatin1String("$'"))
                       || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    for (qsizetype i = 0; i < text.size();) {
        if (const qsizetype length = recordedByteAt(text, i)) {
            quoted += text.sliced(i, length);
            needsQuotes = true;
            i += length;
            continue;
        }
        // A surrogate pair is one character; a lone surrogate is escaped on its own.
        const bool pair
            = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t c
            = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : char32_t(text[i].unicode());
        const QString escape = escapeOf(c);
        if (escape.isEmpty()) {
            quoted += text.sliced(i, pair ? 2 : 1);
        } else {
            quoted += escape;
            // A backslash or "'" alone is printed as it is outside quotes.
            needsQuotes = needsQuotes || (c != u'\\' && c != u'\'');
        }
        i += pair ? 2 : 1;
    }
    return needsQuotes ? quoted + u'\'' : text.toString();
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
