#pragma once

#include <QByteArray>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace qm::fuzz {

// The input as bytes, without copying.
inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                   static_cast<qsizetype>(size));
}

// The input cut at its first zero byte: the part before it and the part after it (empty
// when there is no zero byte). Lets one input carry a parameter besides the text.
inline std::pair<QByteArray, QByteArray> splitAtZero(const QByteArray &bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    if (zero < 0)
        return {bytes, QByteArray()};
    return {bytes.left(zero), bytes.mid(zero + 1)};
}

// A broken promise that is not a crash (a text that reads back differently) ends the run as a
// finding.
inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace qm::fuzz

// Every target includes this header once. The readers log what they drop; millions of runs must
// not flood the output.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    return 0;
}
