#include "platform/LogFileExporter.h"

#include "platform/Log.h"

#include "storage/RecordFile.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>

#include <QCoroFuture>
#include <QCoroSignal>

#include <atomic>
#include <memory>

namespace qm {

namespace {

using StopFlag = std::shared_ptr<std::atomic<bool>>;

// Runs on a worker thread. Stops early, with nothing, once the exporter has given up waiting.
Result<QByteArray>
gatherLogLines(const QStringList &files, const QDateTime &cutoff, const StopFlag &stop)
{
    QByteArray lines;
    for (const QString &path : files) {
        if (stop->load())
            break;
        if (!QFileInfo::exists(path))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return Error{QStringLiteral("%1: %2").arg(path, file.errorString())};
        const QByteArray text = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return Error{QStringLiteral("%1: %2").arg(path, file.errorString())};
        lines += logLinesSince(text, cutoff);
    }
    return lines;
}

bool isSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

QByteArray logLinesSince(const QByteArray &logText, const QDateTime &cutoff)
{
    QByteArray kept;
    qsizetype start = 0;
    while (start < logText.size()) {
        qsizetype end = logText.indexOf('\n', start);
        if (end < 0)
            end = logText.size();
        const QByteArrayView line = QByteArrayView(logText).sliced(start, end - start);
        start = end + 1;

        qsizetype wordEnd = 0;
        while (wordEnd < line.size() && !isSpaceOrTab(line[wordEnd]))
            ++wordEnd;
        if (wordEnd == 0)
            continue;
        const QDateTime when
            = QDateTime::fromString(QString::fromLatin1(line.first(wordEnd)), Qt::ISODateWithMs);
        if (!when.isValid() || when < cutoff)
            continue;
        // "<time> <level> <category> <text>": only the program's own categories, not what Qt
        // or a plugin wrote through the same sink.
        const QList<QByteArray> words = line.toByteArray().split(' ');
        if (words.size() < 3 || !log::isProgramCategory(QString::fromUtf8(words.at(2))))
            continue;
        kept += line;
        kept += '\n';
    }
    return kept;
}

LogFileExporter::LogFileExporter(QString logFile, Clock clock, std::chrono::milliseconds timeout)
    : m_logFile(std::move(logFile))
    , m_clock(std::move(clock))
    , m_timeout(timeout)
{}

QStringList LogFileExporter::logFiles() const
{
    return {m_logFile + QStringLiteral(".1"), m_logFile};
}

QCoro::Task<Status> LogFileExporter::exportTo(QString filePath)
{
    const std::chrono::milliseconds timeout = m_timeout;
    const QDateTime cutoff = m_clock().addSecs(-7 * 24 * 60 * 60);
    const StopFlag stop = std::make_shared<std::atomic<bool>>(false);

    QFutureWatcher<Result<QByteArray>> watcher;
    watcher.setFuture(QtConcurrent::run(gatherLogLines, logFiles(), cutoff, stop));
    // The watcher reports the end through the event loop, so it cannot be missed here.
    const auto limit = timeout.count() > 0 ? timeout : std::chrono::milliseconds(-1);
    const auto finished = co_await qCoro(&watcher, &QFutureWatcherBase::finished, limit);
    if (!finished.has_value()) {
        // A read can hang (a stalled network home); the worker drops its work when it returns.
        stop->store(true);
        co_return Error{logExportTimeoutMessage(timeout)};
    }
    const Result<QByteArray> lines = watcher.result();
    if (!lines.ok())
        co_return lines.error();
    co_return co_await QtConcurrent::run(recordfile::writeAtomically, filePath, lines.value());
}

} // namespace qm
