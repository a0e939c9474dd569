#pragma once

#include "units/ByteUnit.h"

#include <QWidget>

#include <optional>

namespace qm {

// One watched folder in the Settings window: its short name with the cleanup badge ("Not in
// Cleanup", "Caches only"), the path below it, and the recorded size. The tooltip is the hint
// and the full path.
class WatchFolderRow : public QWidget
{
    Q_OBJECT

public:
    WatchFolderRow(const QString &path,
                   const std::optional<qint64> &size,
                   ByteUnit unit,
                   const std::optional<QString> &hint,
                   const QString &home,
                   QWidget *parent = nullptr);

    // The tooltip: the hint, a line feed and the expanded path; only the path without a hint.
    static QString helpText(const std::optional<QString> &hint, const QString &expandedPath);
};

} // namespace qm
