#include "platform/LogExportController.h"

#include <QCoreApplication>

namespace qm {

namespace {

// Holds the exporter for as long as its export runs, even when the controller goes first.
QCoro::Task<Status> runExport(std::shared_ptr<LogExporting> exporter, QString filePath)
{
    co_return co_await exporter->exportTo(std::move(filePath));
}

} // namespace

QString logExportDisplayPath(const QString &path, const QString &home)
{
    if (home.isEmpty())
        return path;
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home) && path.mid(home.size()).startsWith(QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

LogExportController::LogExportController(std::shared_ptr<LogExporting> exporter,
                                         QString home,
                                         QObject *parent)
    : QObject(parent)
    , m_exporter(std::move(exporter))
    , m_home(std::move(home))
{}

bool LogExportController::exportTo(const QString &filePath)
{
    if (m_isExporting)
        return false;
    setExporting(true);
    setLastResult(std::nullopt);
    QCoro::connect(runExport(m_exporter, filePath), this, [this, filePath](const Status &status) {
        finish(filePath, status);
    });
    return true;
}

void LogExportController::finish(const QString &filePath, const Status &status)
{
    if (status.ok())
        setLastResult(QCoreApplication::translate("LogExport", "Exported: %1")
                          .arg(logExportDisplayPath(filePath, m_home)));
    else
        setLastResult(QCoreApplication::translate("LogExport", "Couldn’t export: %1")
                          .arg(status.error().description));
    setExporting(false);
}

void LogExportController::setExporting(bool exporting)
{
    if (m_isExporting == exporting)
        return;
    m_isExporting = exporting;
    Q_EMIT isExportingChanged();
}

void LogExportController::setLastResult(std::optional<QString> result)
{
    if (m_lastResult == result)
        return;
    m_lastResult = std::move(result);
    Q_EMIT lastResultChanged();
}

} // namespace qm
