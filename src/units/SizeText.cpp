#include "units/SizeText.h"

#include <cmath>
#include <optional>

namespace qm {

namespace {

const QChar minusSign(0x2212);

QString gigabyteLabel(ByteUnit unit)
{
    return unit == ByteUnit::GiB ? QStringLiteral("GiB") : QStringLiteral("GB");
}

QString terabyteLabel(ByteUnit unit)
{
    return unit == ByteUnit::GiB ? QStringLiteral("TiB") : QStringLiteral("TB");
}

// Writes a non-negative whole count of tenths as "<whole>.<tenth>". The arithmetic stays in
// double precision so that even the quotients of extreme byte counts cannot overflow an integer.
QString tenthsText(double tenths)
{
    const double whole = std::floor(tenths / 10);
    const int tenth = static_cast<int>(tenths - whole * 10);
    return QString::number(whole, 'f', 0) + QLatin1Char('.') + QString::number(tenth);
}

// The divisor and label a change after a compact size is written in: a change below a tenth of a
// terabyte after a terabyte value is written in gigabytes, every other change in the main unit.
struct DeltaUnit
{
    qint64 divisor;
    QString label;
};

DeltaUnit deltaUnit(double magnitude, qint64 mainDivisor, ByteUnit unit)
{
    if (mainDivisor == bytesPerTerabyte(unit)) {
        if (magnitude < static_cast<double>(mainDivisor) / 10)
            return {bytesPerGigabyte(unit), gigabyteLabel(unit)};
        return {mainDivisor, terabyteLabel(unit)};
    }
    return {mainDivisor, gigabyteLabel(unit)};
}

double deltaTenths(double magnitude, qint64 divisor)
{
    return std::floor(magnitude / static_cast<double>(qMax<qint64>(divisor, 1)) * 10);
}

// The layout of the platform byte-count formatter: the number rounded to the unit's fraction
// digits and one space before the decimal label; binaryLabels renames it for GiB afterwards.
QString formattedSize(qint64 bytes, ByteUnit unit, bool allowMegabytes, const QLocale &locale)
{
    const qint64 gigabyte = bytesPerGigabyte(unit);
    // The unit follows the magnitude, so a shrink of five gigabytes reads "-5 GB", not
    // "-5,000 MB". Compared as integers so that no magnitude (not even of INT64_MIN) is taken.
    const bool inMegabytes = allowMegabytes && bytes > -gigabyte && bytes < gigabyte;
    const qint64 megabyte = unit == ByteUnit::GiB ? Q_INT64_C(1048576) : Q_INT64_C(1000000);
    const double value
        = static_cast<double>(bytes) / static_cast<double>(inMegabytes ? megabyte : gigabyte);
    const QString number = localizedDecimalText(value, inMegabytes ? 1 : 2, locale);
    const QString text
        = number + QLatin1Char(' ') + (inMegabytes ? QStringLiteral("MB") : QStringLiteral("GB"));
    return binaryLabels(text, unit);
}

} // namespace

QString compactNumberText(qint64 bytes, qint64 divisor, int decimalDigits, const QLocale &locale)
{
    const double quotient
        = static_cast<double>(bytes) / static_cast<double>(qMax<qint64>(divisor, 1));
    if (decimalDigits < 1)
        return localeDigits(QString::number(std::floor(quotient), 'f', 0), locale);
    // Rounded down like positive values; a negative value (which free and used space never are)
    // is written as a hyphen-minus and the digits of its magnitude: -1.55 reads "-1.6".
    const double tenths = std::floor(quotient * 10);
    if (tenths < 0)
        return QLatin1Char('-') + localeDigits(tenthsText(-tenths), locale);
    return localeDigits(tenthsText(tenths), locale);
}

CompactSize compactSizeText(qint64 bytes, int decimalDigits, ByteUnit unit, const QLocale &locale)
{
    const qint64 terabyte = bytesPerTerabyte(unit);
    const bool inTerabytes = bytes >= terabyte;
    const qint64 divisor = inTerabytes ? terabyte : bytesPerGigabyte(unit);
    const QString label = inTerabytes ? terabyteLabel(unit) : gigabyteLabel(unit);
    return {compactNumberText(bytes, divisor, decimalDigits, locale) + QLatin1Char(' ') + label,
            divisor};
}

QString compactDeltaText(qint64 change, qint64 mainDivisor, ByteUnit unit, const QLocale &locale)
{
    // The magnitude in double precision: the magnitude of INT64_MIN has no 64-bit integer.
    const double magnitude = std::fabs(static_cast<double>(change));
    const DeltaUnit chosen = deltaUnit(magnitude, mainDivisor, unit);
    const double tenths = deltaTenths(magnitude, chosen.divisor);
    if (tenths == 0)
        return localeDigits(QStringLiteral("±0"), locale);
    QString text = (change > 0 ? QString(QLatin1Char('+')) : QString(minusSign))
                   + localeDigits(tenthsText(tenths), locale);
    if (chosen.divisor != mainDivisor)
        text += QLatin1Char(' ') + chosen.label;
    return text;
}

QString spokenDeltaText(qint64 change, qint64 mainDivisor, ByteUnit unit, const QLocale &locale)
{
    const double magnitude = std::fabs(static_cast<double>(change));
    const DeltaUnit chosen = deltaUnit(magnitude, mainDivisor, unit);
    return localeDigits(tenthsText(deltaTenths(magnitude, chosen.divisor)), locale)
           + QLatin1Char(' ') + chosen.label;
}

QString listSizeText(qint64 bytes, ByteUnit unit, const QLocale &locale)
{
    return formattedSize(bytes, unit, true, locale);
}

QString gigabyteText(qint64 bytes, ByteUnit unit, const QLocale &locale)
{
    return formattedSize(bytes, unit, false, locale);
}

QString binaryLabels(const QString &text, ByteUnit unit)
{
    if (unit != ByteUnit::GiB)
        return text;
    static const std::pair<QLatin1String, QLatin1String> renames[] = {
        {QLatin1String("KB"), QLatin1String("KiB")},
        {QLatin1String("MB"), QLatin1String("MiB")},
        {QLatin1String("GB"), QLatin1String("GiB")},
        {QLatin1String("TB"), QLatin1String("TiB")},
    };
    for (const auto &[decimal, binary] : renames) {
        if (text.endsWith(decimal))
            return text.chopped(2) + binary;
    }
    return text;
}

QString wholeNumberText(qint64 value, const QLocale &locale)
{
    QLocale ungrouped = locale;
    ungrouped.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return ungrouped.toString(value);
}

namespace {

// `text` with each digit of the set starting at `fromZero` written in the set starting at
// `toZero`.
QString withDigits(QStringView text, char16_t fromZero, char16_t toZero)
{
    QString shifted = text.toString();
    for (QChar &c : shifted) {
        if (c.unicode() >= fromZero && c.unicode() <= fromZero + 9)
            c = QChar(char16_t(toZero + (c.unicode() - fromZero)));
    }
    return shifted;
}

// The locale's zero digit where it is not ASCII's. Digit sets outside the Basic Multilingual
// Plane are left alone: such locales write ASCII digits in Qt's data.
std::optional<char16_t> nonAsciiZero(const QLocale &locale)
{
    const QString zero = locale.zeroDigit();
    if (zero.size() != 1 || zero.at(0) == u'0')
        return std::nullopt;
    return zero.at(0).unicode();
}

} // namespace

QString localeDigits(QStringView text, const QLocale &locale)
{
    const std::optional<char16_t> zero = nonAsciiZero(locale);
    return zero ? withDigits(text, u'0', *zero) : text.toString();
}

QString asciiDigits(QStringView text, const QLocale &locale)
{
    const std::optional<char16_t> zero = nonAsciiZero(locale);
    return zero ? withDigits(text, *zero, u'0') : text.toString();
}

QString localizedDecimalText(double value, int maxFractionDigits, const QLocale &locale)
{
    const int digits = qMax(maxFractionDigits, 0);
    // Qt rounds to nearest here, a half (of the exact binary value) away from zero. A negative
    // value carries the locale's minus sign unless it rounds to zero, which never reads "-0".
    QString text = locale.toString(std::fabs(value), 'f', digits);
    if (value < 0 && text != locale.toString(0.0, 'f', digits))
        text = locale.toString(value, 'f', digits);
    const QString decimalPoint = locale.decimalPoint();
    if (digits > 0 && text.contains(decimalPoint)) {
        const QString zero = locale.zeroDigit();
        while (text.endsWith(zero))
            text.chop(zero.size());
        if (text.endsWith(decimalPoint))
            text.chop(decimalPoint.size());
    }
    return text;
}

} // namespace qm
