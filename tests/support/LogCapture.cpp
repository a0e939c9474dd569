#include "support/LogCapture.h"

#include "platform/Log.h"

#include <QMutex>

namespace qm::test {

namespace {

QMutex captureMutex;
QList<LogLine> captured;
QtMessageHandler previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    QMutexLocker locker(&captureMutex);
    captured.append({log::shortCategoryName(context.category), log::levelName(type), text});
}

} // namespace

LogCapture::LogCapture()
{
    clear();
    previousHandler = qInstallMessageHandler(captureMessage);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previousHandler);
}

QList<LogLine> LogCapture::lines() const
{
    QMutexLocker locker(&captureMutex);
    return captured;
}

QList<LogLine> LogCapture::lines(const QString &category) const
{
    QList<LogLine> result;
    for (const LogLine &line : lines()) {
        if (line.category == category)
            result.append(line);
    }
    return result;
}

int LogCapture::count(const QString &text) const
{
    int n = 0;
    for (const LogLine &line : lines()) {
        if (line.text == text)
            ++n;
    }
    return n;
}

bool LogCapture::contains(const QString &category, const QString &level, const QString &text) const
{
    for (const LogLine &line : lines()) {
        if (line.category == category && line.level == level && line.text == text)
            return true;
    }
    return false;
}

QString LogCapture::dump() const
{
    QString out;
    for (const LogLine &line : lines())
        out += line.category + QLatin1Char(' ') + line.level + QLatin1Char(' ') + line.text
               + QLatin1Char('\n');
    return out;
}

void LogCapture::clear()
{
    QMutexLocker locker(&captureMutex);
    captured.clear();
}

} // namespace qm::test
