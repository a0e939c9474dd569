#include "platform/LogSink.h"

#include "platform/Log.h"
#include "platform/XdgFolders.h"

#include <QLoggingCategory>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <cstdio>

namespace qm {

namespace {

struct SinkState
{
    QMutex mutex;
    QString path;
    bool toStderr = true;
    QtMessageHandler previous = nullptr;
    bool installed = false;
};

SinkState &state()
{
    static SinkState s;
    return s;
}

void rotateIfNeeded(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.size() < LogSink::rotationSize)
        return;
    const QString older = path + QStringLiteral(".1");
    QFile::remove(older);
    QFile::rename(path, older);
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const QString line
        = LogSink::formatLine(QDateTime::currentDateTime(), type, context.category, text)
          + QLatin1Char('\n');
    const QByteArray bytes = line.toUtf8();
    SinkState &s = state();
    QMutexLocker locker(&s.mutex);
    if (s.toStderr) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        std::fflush(stderr);
    }
    if (!s.path.isEmpty()) {
        rotateIfNeeded(s.path);
        QDir().mkpath(QFileInfo(s.path).absolutePath());
        QFile file(s.path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(bytes);
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

QString LogSink::defaultLogFilePath()
{
    return xdg::stateHome() + QStringLiteral("/Quillmere/Quillmere.log");
}

void LogSink::install(const QString &logFilePath, bool alsoToStderr)
{
    SinkState &s = state();
    {
        QMutexLocker locker(&s.mutex);
        s.path = logFilePath;
        s.toStderr = alsoToStderr;
    }
    if (!s.installed) {
        s.previous = qInstallMessageHandler(handleMessage);
        s.installed = true;
        // The program's "info" lines travel as Qt debug messages; a system-wide
        // "*.debug=false" (some distributions ship one) must not drop them from the log.
        QLoggingCategory::setFilterRules(QString::fromLatin1(log::applicationIdentifier)
                                         + QStringLiteral(".*.debug=true"));
    }
}

void LogSink::uninstall()
{
    SinkState &s = state();
    if (!s.installed)
        return;
    qInstallMessageHandler(s.previous);
    s.installed = false;
}

QString LogSink::formatLine(const QDateTime &when,
                            QtMsgType type,
                            const char *category,
                            const QString &text)
{
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODateWithMs) + QLatin1Char(' ')
           + log::levelName(type) + QLatin1Char(' ') + log::shortCategoryName(category)
           + QLatin1Char(' ') + flat;
}

} // namespace qm
