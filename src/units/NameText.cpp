#include "units/NameText.h"

#include <QList>

namespace qm {

namespace {

constexpr char16_t replacementCharacter = u'\uFFFD';
constexpr char16_t firstStrongIsolate = u'\u2068';
constexpr char16_t popDirectionalIsolate = u'\u2069';

bool isBidiFormat(char16_t c)
{
    return c == u'\u061C'                         // Arabic letter mark
           || c == u'\u200E' || c == u'\u200F'    // left-to-right and right-to-left marks
           || (c >= u'\u202A' && c <= u'\u202E')  // embeddings, overrides, pop
           || (c >= u'\u2066' && c <= u'\u2069'); // isolates
}

} // namespace

QString visibleName(QStringView name)
{
    QString shown;
    shown.reserve(name.size());
    for (const QChar ch : name) {
        const char16_t c = ch.unicode();
        if (c < 0x20)
            shown.append(QChar(char16_t(0x2400 + c))); // ␀ … ␟: the control pictures
        else if (c == 0x7F)
            shown.append(QChar(u'\u2421')); // ␡
        else if ((c >= 0x80 && c < 0xA0) || isBidiFormat(c))
            shown.append(QChar(replacementCharacter));
        else
            shown.append(ch);
    }
    return shown;
}

QString isolated(QStringView text)
{
    QString wrapped;
    wrapped.reserve(text.size() + 2);
    wrapped.append(QChar(firstStrongIsolate));
    wrapped.append(text);
    wrapped.append(QChar(popDirectionalIsolate));
    return wrapped;
}

QString displayName(QStringView name)
{
    return isolated(visibleName(name));
}

QString visibleText(QStringView text)
{
    // Pair each isolate's end with the nearest open one before it; the rest are shown.
    QList<qsizetype> open;
    QList<bool> paired(text.size(), false);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QChar(firstStrongIsolate)) {
            open.append(i);
        } else if (text[i] == QChar(popDirectionalIsolate) && !open.isEmpty()) {
            paired[open.takeLast()] = true;
            paired[i] = true;
        }
    }
    QString shown = visibleName(text);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (paired[i])
            shown[i] = text[i];
    }
    return shown;
}

QString menuText(QStringView name)
{
    return displayName(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString literalToolTip(QStringView text)
{
    return literalToolTip(QStringList{text.toString()});
}

QString literalToolTip(const QStringList &lines)
{
    QStringList escaped;
    escaped.reserve(lines.size());
    for (const QString &line : lines)
        escaped.append(visibleName(line).toHtmlEscaped());
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>")
        .arg(escaped.join(QStringLiteral("<br>")));
}

} // namespace qm
