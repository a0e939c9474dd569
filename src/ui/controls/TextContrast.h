#pragma once

#include <QColor>

namespace qm {

// Colours of text derived from a palette's text and background, so that muted text stays
// readable in every colour scheme, light or dark, whatever the scheme leaves unset.

// The contrast ratio of two opaque colours as WCAG 2 defines it: from 1 (the same) to 21.
double contrastRatio(const QColor &a, const QColor &b);

// `from` moved toward `to` by `share` (0: from, 1: to), channel by channel; opaque.
QColor blended(const QColor &from, const QColor &to, double share);

// The least contrast text may have: WCAG's 4.5:1 for normal text.
inline constexpr double minimumTextContrast = 4.5;

// Text muted toward the background by `share` at most, but never below `minimumContrast` against
// it: the blend is moved back toward `text` as far as that needs. When `text` itself has less
// contrast than that, `text` is the answer.
QColor mutedText(const QColor &text,
                 const QColor &background,
                 double share,
                 double minimumContrast = minimumTextContrast);

// `accent` as a text colour (a link): moved toward `text` only as far as it needs to reach
// `minimumContrast` against `background`; `text` where even that falls short.
QColor readableAccent(const QColor &accent,
                      const QColor &text,
                      const QColor &background,
                      double minimumContrast = minimumTextContrast);

} // namespace qm
