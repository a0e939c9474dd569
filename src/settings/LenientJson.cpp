#include "settings/LenientJson.h"

#include <algorithm>
#include <optional>

namespace qm {

namespace {

// Qt's own nesting limit: deeper text fails anyway, and the walk below stays shallow.
constexpr int maximumDepth = 1024;

// Whether Qt accepts one scalar value (a number or a string, as written in the text).
bool qtAccepts(const QByteArray &token)
{
    QJsonParseError error;
    QJsonDocument::fromJson('[' + token + ']', &error);
    return error.error == QJsonParseError::NoError;
}

// Copies JSON text, writing values Qt refuses as null and leaving out members whose key Qt
// refuses. Follows the JSON grammar only as far as needed to find values and keys; anything
// else it lets through for Qt to judge, and gives up (absent) where the structure is broken.
class Cleaner
{
public:
    explicit Cleaner(const QByteArray &text)
        : m_text(text)
    {}

    std::optional<QByteArray> run()
    {
        QByteArray out;
        out.reserve(m_text.size());
        if (!value(out, 0))
            return std::nullopt;
        skipSpace();
        if (m_at != m_text.size())
            return std::nullopt;
        return out;
    }

private:
    char peek() const { return m_at < m_text.size() ? m_text.at(m_at) : '\0'; }

    void skipSpace()
    {
        while (m_at < m_text.size()
               && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++m_at;
    }

    bool value(QByteArray &out, int depth)
    {
        if (depth > maximumDepth)
            return false;
        skipSpace();
        switch (peek()) {
        case '{':
            return object(out, depth);
        case '[':
            return array(out, depth);
        case '"': {
            const std::optional<QByteArray> token = string();
            if (!token)
                return false;
            out += isAcceptedString(*token) ? *token : QByteArrayLiteral("null");
            return true;
        }
        default:
            return scalar(out);
        }
    }

    bool object(QByteArray &out, int depth)
    {
        ++m_at;
        out += '{';
        bool first = true;
        skipSpace();
        if (peek() == '}') {
            ++m_at;
            out += '}';
            return true;
        }
        for (;;) {
            skipSpace();
            if (peek() != '"')
                return false;
            const std::optional<QByteArray> key = string();
            if (!key)
                return false;
            skipSpace();
            if (peek() != ':')
                return false;
            ++m_at;
            QByteArray member;
            if (!value(member, depth + 1))
                return false;
            if (isAcceptedString(*key)) {
                if (!first)
                    out += ',';
                out += *key + ':' + member;
                first = false;
            }
            skipSpace();
            if (peek() == ',') {
                ++m_at;
                continue;
            }
            if (peek() != '}')
                return false;
            ++m_at;
            out += '}';
            return true;
        }
    }

    bool array(QByteArray &out, int depth)
    {
        ++m_at;
        out += '[';
        skipSpace();
        if (peek() == ']') {
            ++m_at;
            out += ']';
            return true;
        }
        for (;;) {
            if (!value(out, depth + 1))
                return false;
            skipSpace();
            if (peek() == ',') {
                ++m_at;
                out += ',';
                continue;
            }
            if (peek() != ']')
                return false;
            ++m_at;
            out += ']';
            return true;
        }
    }

    // A string token with its quotes, as written.
    std::optional<QByteArray> string()
    {
        const qsizetype start = m_at++;
        while (m_at < m_text.size() && peek() != '"')
            m_at += peek() == '\\' ? 2 : 1;
        if (m_at >= m_text.size())
            return std::nullopt;
        ++m_at;
        return m_text.mid(start, m_at - start);
    }

    // Plain ASCII cannot be refused for its encoding; other strings are put to Qt.
    static bool isAcceptedString(const QByteArray &token)
    {
        const bool ascii = std::all_of(
            token.cbegin(), token.cend(), [](char c) { return (uchar(c) & 0x80) == 0; });
        return ascii || qtAccepts(token);
    }

    // A number or a literal: the run of characters up to the next delimiter. Only a number
    // with an exponent, or one of hundreds of digits, can be out of range.
    bool scalar(QByteArray &out)
    {
        const qsizetype start = m_at;
        const auto isDelimiter = [](char c) {
            return c == ',' || c == ']' || c == '}' || c == ' ' || c == '\t' || c == '\n'
                   || c == '\r';
        };
        while (m_at < m_text.size() && !isDelimiter(peek()))
            ++m_at;
        if (m_at == start)
            return false;
        const QByteArray token = m_text.mid(start, m_at - start);
        const bool mayBeOutOfRange
            = token.contains('e') || token.contains('E') || token.size() > 300;
        const bool isNumber
            = token.front() == '-' || (token.front() >= '0' && token.front() <= '9');
        out += isNumber && mayBeOutOfRange && !qtAccepts(token) ? QByteArrayLiteral("null") : token;
        return true;
    }

    const QByteArray &m_text;
    qsizetype m_at = 0;
};

} // namespace

QJsonDocument
parseJsonLeniently(const QByteArray &text, QJsonParseError *error, bool *refusedValues)
{
    if (refusedValues)
        *refusedValues = false;
    QJsonParseError first;
    QJsonDocument document = QJsonDocument::fromJson(text, &first);
    const bool refusedAValue = first.error == QJsonParseError::IllegalNumber
                               || first.error == QJsonParseError::IllegalUTF8String;
    if (refusedAValue) {
        if (const std::optional<QByteArray> cleaned = Cleaner(text).run()) {
            if (refusedValues)
                *refusedValues = true;
            return QJsonDocument::fromJson(*cleaned, error);
        }
    }
    if (error)
        *error = first;
    return document;
}

} // namespace qm
