#include "records/NameText.h"

#include <QByteArray>

namespace qm {

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0 when the byte there starts none
// (a stray continuation byte, a cut sequence, an overlong form, a surrogate, beyond U+10FFFF).
qsizetype utf8SequenceLength(QByteArrayView bytes, qsizetype at)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t smallest = 0;
    if ((lead & 0xe0) == 0xc0) {
        length = 2;
        smallest = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3;
        smallest = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    char32_t codePoint = lead & (0x7f >> length);
    for (qsizetype k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next & 0xc0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3f);
    }
    if (codePoint < smallest || codePoint > 0x10ffff
        || (codePoint >= 0xd800 && codePoint <= 0xdfff))
        return 0;
    return length;
}

} // namespace

bool isTextName(QByteArrayView name)
{
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length = utf8SequenceLength(name, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

QString nameText(QByteArrayView name)
{
    if (isTextName(name))
        return QString::fromUtf8(name);
    QByteArray shown;
    shown.reserve(name.size() * 2);
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length = utf8SequenceLength(name, i);
        if (length > 0) {
            shown += name.sliced(i, length);
            i += length;
            continue;
        }
        shown += "\\x"
                 + QByteArray::number(static_cast<unsigned char>(name[i]), 16)
                       .rightJustified(2, '0')
                       .toUpper();
        ++i;
    }
    return QString::fromUtf8(shown);
}

} // namespace qm
