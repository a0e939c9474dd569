#pragma once

#include <QTranslator>

namespace qm {

// The English plural forms of the program's own texts. Count texts are written as
// tr("%n folder(s) couldn’t be measured", nullptr, n); Qt fills in %n but picks no plural form
// by itself, so without a translator every count would read "1 folder(s)". This translator is
// what an English numerus translation file would be: for a text with %n and a count it writes
// "(s)" as "" for exactly 1 and as "s" otherwise; every other text is left to Qt. Translators
// for other languages are installed after it and answer first, with their own plural rules.
class EnglishPlurals : public QTranslator
{
    Q_OBJECT

public:
    using QTranslator::QTranslator;

    QString translate(const char *context,
                      const char *sourceText,
                      const char *disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }

    // `text` in its English form for the count `n`.
    static QString pluralForm(const QString &text, int n);

    // Installs one instance on the running application (the instance is its child).
    static void install();
};

} // namespace qm
