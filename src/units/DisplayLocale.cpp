#include "units/DisplayLocale.h"

namespace qm {

QLocale displayLocale(const QLocale &environment, const QStringList &localizations)
{
    QLocale::Language language = QLocale::English;
    bool found = false;
    const QStringList preferred = environment.uiLanguages();
    for (const QString &wanted : preferred) {
        const QLocale::Language wantedLanguage = QLocale(wanted).language();
        for (const QString &available : localizations) {
            if (QLocale(available).language() == wantedLanguage) {
                language = wantedLanguage;
                found = true;
                break;
            }
        }
        if (found)
            break;
    }
    if (!found && !localizations.isEmpty())
        language = QLocale(localizations.constFirst()).language();
    if (language == environment.language())
        return environment;
    return QLocale(language, environment.territory());
}

} // namespace qm
