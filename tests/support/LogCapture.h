#pragma once

#include <QList>
#include <QString>

namespace qm::test {

struct LogLine
{
    QString category; // short name, e.g. "Records"
    QString level;    // "default", "info" or "error"
    QString text;
};

// Captures every log message while it lives (and keeps them off stderr). Nested captures are
// not supported.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QList<LogLine> lines() const;
    // Lines of one category, in order.
    QList<LogLine> lines(const QString &category) const;
    // How many lines have exactly this text (any category, any level).
    int count(const QString &text) const;
    bool contains(const QString &category, const QString &level, const QString &text) const;
    // Every line as "Category level text", for readable failure messages.
    QString dump() const;
    void clear();
};

} // namespace qm::test
