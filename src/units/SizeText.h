#pragma once

#include "units/ByteUnit.h"

#include <QLocale>
#include <QString>

namespace qm {

// The compact size text together with the divisor it chose, which the change text after it needs.
struct CompactSize
{
    QString text;
    qint64 divisor = 0;

    friend bool operator==(const CompactSize &, const CompactSize &) = default;
};

// The number part of the compact form: bytes / divisor, truncated towards minus infinity, written
// as a whole number (decimalDigits < 1) or with exactly one decimal (decimalDigits >= 1). Always a
// full stop and no digit grouping, whatever the locale; the digits are the locale's, like those of
// every other number on screen. A divisor below 1 counts as 1.
QString compactNumberText(qint64 bytes,
                          qint64 divisor,
                          int decimalDigits,
                          const QLocale &locale = QLocale());

// The compact form of the menu-bar label: number, one space, "GB"/"GiB" below one terabyte of the
// unit, "TB"/"TiB" from it on (for example "245.3 GB", "1.9 TB", "84 GiB").
CompactSize
compactSizeText(qint64 bytes, int decimalDigits, ByteUnit unit, const QLocale &locale = QLocale());

// The change shown after a compact size, with one decimal: "+1.2", "\u22121.2", "\u221212.3 GB"
// (a gigabyte-level change after a terabyte value), or "±0" when it rounds down to nothing.
// The minus is U+2212 MINUS SIGN.
QString compactDeltaText(qint64 change,
                         qint64 mainDivisor,
                         ByteUnit unit,
                         const QLocale &locale = QLocale());

// The magnitude of a change with its unit and without a sign, for the spoken label ("1.2 GB").
QString spokenDeltaText(qint64 change,
                        qint64 mainDivisor,
                        ByteUnit unit,
                        const QLocale &locale = QLocale());

// The size form of lists and messages: MB below one gigabyte of the unit, GB from it on, never TB;
// MB with at most one fraction digit, GB with at most two, rounded to nearest, no trailing zeros,
// in the locale's decimal separator and digit grouping; zero is "0 MB". Binary labels for GiB.
QString listSizeText(qint64 bytes, ByteUnit unit, const QLocale &locale = QLocale());

// As the list form, but always in GB (or GiB), small values included ("0.5 GB", "0 GB").
QString gigabyteText(qint64 bytes, ByteUnit unit, const QLocale &locale = QLocale());

// For GiB, renames a trailing "KB", "MB", "GB" or "TB" to "KiB", "MiB", "GiB" or "TiB"; any other
// text, and every text for GB, is returned unchanged.
QString binaryLabels(const QString &text, ByteUnit unit);

// A number in the locale's separators and grouping, rounded to at most maxFractionDigits fraction
// digits, without trailing zeros; a value that rounds to zero is written without a sign.
QString localizedDecimalText(double value, int maxFractionDigits, const QLocale &locale);

// A whole number in the locale's digits and minus sign, without digit grouping: a number the user
// can type back into a field as it stands ("994", "٩٩٤").
QString wholeNumberText(qint64 value, const QLocale &locale = QLocale());

// `text` with every ASCII digit written as the locale's digit of the same value.
QString localeDigits(QStringView text, const QLocale &locale = QLocale());

// `text` with every digit of the locale's own digit set written as the ASCII digit of the same
// value; every other character, ASCII digits included, stays as it is.
QString asciiDigits(QStringView text, const QLocale &locale = QLocale());

} // namespace qm
