#include "platform/LogExporter.h"

#include "platform/Log.h"
#include "platform/ProcessRunner.h"
#include "storage/RecordFile.h"

#include <QtConcurrent>

#include <QCoroFuture>

namespace qm {

namespace {

// What the tool's run gives to write, or why there is nothing to write.
Result<QByteArray> toolOutput(const ProcessResult &run, std::chrono::milliseconds timeout)
{
    if (!run.started())
        return Error{run.errorString};
    if (run.timedOut || run.exitStatus == QProcess::CrashExit)
        return Error{logExportTimeoutMessage(timeout)};
    if (run.exitCode != 0) {
        const QString message = QString::fromUtf8(run.standardError).trimmed();
        return Error{message.isEmpty() ? logExportExitCodeMessage(run.exitCode) : message};
    }
    return run.standardOutput;
}

} // namespace

LogExporter::LogExporter(QString executable, std::chrono::milliseconds timeout)
    : m_executable(std::move(executable))
    , m_timeout(timeout)
{}

QStringList LogExporter::arguments()
{
    const QString predicate = QStringLiteral("subsystem == \"%1\"")
                                  .arg(QString::fromLatin1(log::applicationIdentifier));
    return {QStringLiteral("show"),
            QStringLiteral("--predicate"),
            predicate,
            QStringLiteral("--last"),
            QStringLiteral("7d"),
            QStringLiteral("--style"),
            QStringLiteral("compact")};
}

QCoro::Task<Status> LogExporter::exportTo(QString filePath)
{
    const std::chrono::milliseconds timeout = m_timeout;
    ProcessRequest request;
    request.program = m_executable;
    request.arguments = arguments();
    request.timeLimit = timeout;
    const ProcessResult run = co_await runProcess(std::move(request));

    Result<QByteArray> output = toolOutput(run, timeout);
    if (!output.ok())
        co_return output.error();
    co_return co_await QtConcurrent::run(recordfile::writeAtomically, filePath, output.value());
}

} // namespace qm
