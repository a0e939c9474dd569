#pragma once

#include "growth/GrowthReport.h"

#include "growth/FreeHistory.h"

#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace qm {

class AppDisplayNames;
class AppModel;
class FolderRevealer;
class FreeSpaceChart;
class SegmentedPicker;

// The Growth tab: the 30-day chart (of free space, or of the expanded folder), the "1 Day" /
// "1 Week" picker, the notes about unmeasured folders, the headline and comparison line, and
// the folders that grew, one of which can be expanded into the children that grew in it. A bar
// under the scrolling content holds "Back to Top".
class GrowthTab : public QWidget
{
    Q_OBJECT
public:
    explicit GrowthTab(AppModel &model, QWidget *parent = nullptr);
    GrowthTab(AppModel &model,
              FolderRevealer &revealer,
              AppDisplayNames &displayNames,
              QWidget *parent = nullptr);

    const std::optional<QString> &expandedPath() const { return m_expandedPath; }
    // Expands the folder's row, or collapses it when it is the expanded one.
    void toggleExpanded(const QString &path);
    QScrollArea *scrollArea() const { return m_scrollArea; }
    FreeSpaceChart *chart() const { return m_chart; }

private:
    void scheduleRefresh();
    void refresh();
    void refreshChart();
    void rebuildReport();
    // The sentence on where the change in free space went, with "Examine" on the home folder
    // when most of a drop lies outside the watched folders.
    void addFreeSpaceChange(const DeltaReport &report, QWidget *content);
    void updateBackToTop();

    AppModel &m_model;
    FolderRevealer &m_revealer;
    AppDisplayNames &m_displayNames;
    QTimer m_refreshTimer;
    // A new free-space reading changes only the chart: the rows stay as they are, so that a
    // click or a pointer on them is not lost to a rebuild every few seconds.
    QTimer m_chartTimer;
    std::optional<QString> m_expandedPath;
    // The folder series and the key it was loaded for (path, records revision).
    QList<HistoryPoint> m_folderPoints;
    std::optional<std::pair<QString, int>> m_seriesKey;

    QScrollArea *m_scrollArea = nullptr;
    FreeSpaceChart *m_chart = nullptr;
    SegmentedPicker *m_period = nullptr;
    QVBoxLayout *m_notes = nullptr;
    QVBoxLayout *m_report = nullptr;
    QPushButton *m_backToTop = nullptr;
};

} // namespace qm
