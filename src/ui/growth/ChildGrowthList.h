#pragma once

#include "growth/GrowthReport.h"

#include <QWidget>

namespace qm {

class AppDisplayNames;
class FolderRevealer;

// The children that grew inside an expanded folder, indented under its row: one line each with
// the application's name over the folder name where the folder is named after an application,
// the "New" badge, the change and "Show in Folder"; or "No notable changes", or "No breakdown
// yet" when the records cannot tell.
class ChildGrowthList : public QWidget
{
    Q_OBJECT
public:
    ChildGrowthList(const ChildDeltaReport &report,
                    ByteUnit unit,
                    const QString &parentAbsolutePath,
                    AppDisplayNames &displayNames,
                    FolderRevealer &revealer,
                    QWidget *parent = nullptr);
};

} // namespace qm
