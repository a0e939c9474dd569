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

// Whether a character takes two columns: the characters of East Asian width "wide" or
// "full-width" in Unicode 14 (which include the emoji that terminals draw wide), as ranges in
// ascending order that also hold the unassigned code points between them.
bool isWide(char32_t c)
{
    struct Range
    {
        char32_t first;
        char32_t last;
    };
    static constexpr Range wide[] = {
        {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
        {0x23F0, 0x23F0},   {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},
        {0x2648, 0x2653},   {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},
        {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},
        {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
        {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},
        {0x2728, 0x2728},   {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},
        {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},   {0x27BF, 0x27BF},
        {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x3029},
        {0x302E, 0x303E},   {0x3041, 0x3096},   {0x309B, 0x3247},   {0x3250, 0x4DBF},
        {0x4E00, 0xA4C6},   {0xA960, 0xA97C},   {0xAC00, 0xD7A3},   {0xF900, 0xFAD9},
        {0xFE10, 0xFE19},   {0xFE30, 0xFE6B},   {0xFF01, 0xFF60},   {0xFFE0, 0xFFE6},
        {0x16FE0, 0x16FE3}, {0x16FF0, 0x1B2FB}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF},
        {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F320}, {0x1F32D, 0x1F335},
        {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393}, {0x1F3A0, 0x1F3CA}, {0x1F3CF, 0x1F3D3},
        {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4}, {0x1F3F8, 0x1F43E}, {0x1F440, 0x1F440},
        {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E}, {0x1F550, 0x1F567},
        {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596}, {0x1F5A4, 0x1F5A4}, {0x1F5FB, 0x1F64F},
        {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2}, {0x1F6D5, 0x1F6DF},
        {0x1F6EB, 0x1F6EC}, {0x1F6F4, 0x1F6FC}, {0x1F7E0, 0x1F7F0}, {0x1F90C, 0x1F93A},
        {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF}, {0x1FA70, 0x1FAF6}, {0x20000, 0x3134A},
    };
    for (const Range &range : wide) {
        if (c < range.first)
            return false;
        if (c <= range.last)
            return true;
    }
    return false;
}

} // namespace

qsizetype terminalColumns(QStringView text)
{
    qsizetype columns = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair
            = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t c
            = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : char32_t(text[i].unicode());
        if (pair)
            ++i;
        switch (QChar::category(c)) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_Enclosing:
        case QChar::Other_Format:
            continue;
        default:
            break;
        }
        // The medial vowels and final consonants of Hangul syllables written as letters join the
        // initial consonant's column.
        if (c >= 0x1160 && c <= 0x11FF)
            continue;
        columns += isWide(c) ? 2 : 1;
    }
    return columns;
}

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
            widths[column] = std::max(widths[column], terminalColumns(row[column]));
        }
    }
    QString text;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (qsizetype column = 0; column < row.size(); ++column) {
            const QString padding(widths[column] - terminalColumns(row[column]), u' ');
            cells.append(rightAligned.contains(int(column)) ? padding + row[column]
                                                            : row[column] + padding);
        }
        QString line = cells.join(QStringLiteral("  "));
        while (line.endsWith(u' '))
            line.chop(1);
        text += line + u'\n';
    }
    return text;
}

} // namespace qm
