#pragma once

#include <QCoreApplication>
#include <QTranslator>

namespace qm::test {

// A translation of one sentence, installed for as long as it lives: how a test sees a text as a
// translation into another language (say, one that reads from the right) would show it.
class SentenceTranslation : public QTranslator
{
public:
    SentenceTranslation(const char *context, const char *source, QString translation)
        : m_context(context)
        , m_source(source)
        , m_translation(std::move(translation))
    {
        QCoreApplication::installTranslator(this);
    }
    ~SentenceTranslation() override { QCoreApplication::removeTranslator(this); }

    QString translate(const char *context,
                      const char *source,
                      const char * = nullptr,
                      int = -1) const override
    {
        return qstrcmp(context, m_context) == 0 && qstrcmp(source, m_source) == 0 ? m_translation
                                                                                  : QString();
    }
    bool isEmpty() const override { return false; }

private:
    const char *m_context;
    const char *m_source;
    QString m_translation;
};

} // namespace qm::test
