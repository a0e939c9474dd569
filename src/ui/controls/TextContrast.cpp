#include "ui/controls/TextContrast.h"

#include <QtMath>

namespace qm {

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : qPow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &color)
{
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF())
           + 0.0722 * linear(color.blueF());
}

} // namespace

namespace {

// The point between `good` (where `holds` is true) and `bad` (where it is not) nearest to `bad`
// at which `holds` still is, found by halving the interval; `holds` changes once between them.
template<typename Holds>
double lastHolding(double good, double bad, Holds holds)
{
    for (int step = 0; step < 24; ++step) {
        const double middle = (good + bad) / 2;
        (holds(middle) ? good : bad) = middle;
    }
    return good;
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor blended(const QColor &from, const QColor &to, double share)
{
    const auto mix = [share](double a, double b) {
        return a + (b - a) * share;
    };
    return QColor::fromRgbF(float(mix(from.redF(), to.redF())),
                            float(mix(from.greenF(), to.greenF())),
                            float(mix(from.blueF(), to.blueF())));
}

QColor mutedText(const QColor &text, const QColor &background, double share, double minimumContrast)
{
    const QColor opaqueText = blended(text, text, 0);
    if (contrastRatio(blended(text, background, share), background) >= minimumContrast)
        return blended(text, background, share);
    if (contrastRatio(opaqueText, background) <= minimumContrast)
        return opaqueText;
    // Contrast falls steadily as the blend nears the background: the largest share that still
    // keeps the minimum.
    return blended(text, background, lastHolding(0, share, [&](double middle) {
                       return contrastRatio(blended(text, background, middle), background)
                              >= minimumContrast;
                   }));
}

QColor readableAccent(const QColor &accent,
                      const QColor &text,
                      const QColor &background,
                      double minimumContrast)
{
    if (contrastRatio(blended(accent, accent, 0), background) >= minimumContrast)
        return blended(accent, accent, 0);
    if (contrastRatio(blended(text, text, 0), background) <= minimumContrast)
        return blended(text, text, 0);
    // Contrast rises steadily as the blend nears the text: the least share that reaches it.
    return blended(accent, text, lastHolding(1, 0, [&](double middle) {
                       return contrastRatio(blended(accent, text, middle), background)
                              >= minimumContrast;
                   }));
}

} // namespace qm
