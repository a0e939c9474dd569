#pragma once

#include "growth/FreeHistory.h"
#include "platform/Calendar.h"
#include "ui/growth/FreeChartLayout.h"

#include <QWidget>

#include <optional>

class QChart;
class QChartView;
class QDateTimeAxis;
class QValueAxis;
class QLabel;
class QStackedWidget;

namespace qm {

class ElidedLabel;

// The 30-day chart at the top of the Growth tab: free space with the dashed warning line, or
// the size of the expanded folder. Each run of consecutive days is one line (a lone day a dot);
// pointing at the chart labels the nearest day. Fewer than two points show a placeholder.
class FreeSpaceChart : public QWidget
{
    Q_OBJECT
public:
    explicit FreeSpaceChart(QWidget *parent = nullptr);
    ~FreeSpaceChart() override;

    void setSeries(const QList<HistoryPoint> &points,
                   ByteUnit unit,
                   const FreeChartSubject &subject,
                   const QDateTime &now,
                   const Calendar &calendar);

    QString title() const;
    bool showsChart() const;
    std::optional<ChartDomain> domain() const { return m_domain; }
    // The day under the pointer, and the label shown for it ("Dec 8 245.31 GB"), if any.
    void setSelection(const std::optional<QDateTime> &selection);
    QString selectionText() const;
    QChart *chart() const;

private:
    class View;
    void rebuild();
    void updateSelectionLabel();

    QList<HistoryPoint> m_points;
    ByteUnit m_unit = ByteUnit::GB;
    FreeChartSubject m_subject;
    QDateTime m_now;
    Calendar m_calendar;
    ChartUnit m_chartUnit;
    std::optional<ChartDomain> m_domain;
    std::optional<QDateTime> m_selection;

    ElidedLabel *m_title = nullptr;
    QStackedWidget *m_stack = nullptr;
    QLabel *m_placeholder = nullptr;
    View *m_view = nullptr;
    QDateTimeAxis *m_xAxis = nullptr;
    QValueAxis *m_yAxis = nullptr;
    QLabel *m_selectionLabel = nullptr;
};

} // namespace qm
