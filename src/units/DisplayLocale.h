#pragma once

#include <QLocale>
#include <QStringList>

namespace qm {

// The locale the program writes its numbers and dates in: the user's locale with its language
// replaced by the language the program's texts are shown in, so that "Comparing Dec 9 → Dec 10"
// is not written with Arabic-Indic digits or Hebrew month names in an English sentence. That
// language is the first of the user's languages the program has texts for, or English (the
// language of the program's own texts) when there is none. The territory stays the user's, so
// that en_DE writes 1.234,5 and 09/12/2026; where the language has no variant for the
// territory, Qt's own choice for the language applies (English in Egypt writes as en_US).
QLocale displayLocale(const QLocale &environment,
                      const QStringList &localizations = {QStringLiteral("en")});

} // namespace qm
