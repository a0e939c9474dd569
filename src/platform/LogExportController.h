#pragma once

#include "platform/LogExporting.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace qm {

// The state of "Export Log…" that the Settings window shows: whether an export runs and the
// line with the last outcome. One export runs at a time. Lives on the main thread.
class LogExportController : public QObject
{
    Q_OBJECT

public:
    // `home` shortens the paths shown to the user.
    LogExportController(std::shared_ptr<LogExporting> exporter,
                        QString home,
                        QObject *parent = nullptr);

    bool isExporting() const { return m_isExporting; }
    // "Exported: <display path>" or "Couldn’t export: <reason>"; absent before the first export
    // and while one runs.
    const std::optional<QString> &lastResult() const { return m_lastResult; }
    const QString &home() const { return m_home; }
    LogExporting &exporter() const { return *m_exporter; }

    // Starts an export and returns at once: true when it started, false when one is already
    // running (nothing changes then).
    bool exportTo(const QString &filePath);

Q_SIGNALS:
    void isExportingChanged();
    void lastResultChanged();

private:
    void finish(const QString &filePath, const Status &status);
    void setExporting(bool exporting);
    void setLastResult(std::optional<QString> result);

    std::shared_ptr<LogExporting> m_exporter;
    QString m_home;
    bool m_isExporting = false;
    std::optional<QString> m_lastResult;
};

// The path as shown to the user: "~" for the home folder itself, "~/…" inside it, otherwise
// unchanged (a sibling such as "<home>2/x" is not inside it).
QString logExportDisplayPath(const QString &path, const QString &home);

} // namespace qm
