#include "units/EnglishPlurals.h"

#include <QCoreApplication>

namespace qm {

QString EnglishPlurals::pluralForm(const QString &text, int n)
{
    QString form = text;
    form.replace(QStringLiteral("(s)"), n == 1 ? QString() : QStringLiteral("s"));
    return form;
}

QString EnglishPlurals::translate(const char *context,
                                  const char *sourceText,
                                  const char *disambiguation,
                                  int n) const
{
    Q_UNUSED(context)
    Q_UNUSED(disambiguation)
    if (n < 0 || !sourceText)
        return {};
    const QString text = QString::fromUtf8(sourceText);
    if (!text.contains(QStringLiteral("%n")) && !text.contains(QStringLiteral("%Ln")))
        return {};
    return pluralForm(text, n);
}

void EnglishPlurals::install()
{
    auto *app = QCoreApplication::instance();
    if (!app || app->findChild<EnglishPlurals *>(QString(), Qt::FindDirectChildrenOnly))
        return;
    QCoreApplication::installTranslator(new EnglishPlurals(app));
}

} // namespace qm
