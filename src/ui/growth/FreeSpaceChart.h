#pragma once

#include "growth/FreeHistory.h"
#include "platform/Calendar.h"
#include "ui/growth/FreeChartLayout.h"

#include <QPointF>
#include <QWidget>

#include <optional>

class QLabel;
class QStackedWidget;

namespace qm {

class ElidedLabel;

// What the chart draws, in values (x: milliseconds since the epoch, y: chart units): each run of
// consecutive days one line (a lone day a dot), the dashed warning line when it is drawn, and the
// marks of both axes with their labels.
struct FreeChartDrawing
{
    QList<QList<QPointF>> runs;
    std::optional<double> warningLine;
    QList<ChartTick> dateTicks;
    QList<ChartTick> valueTicks;
    double xFirst = 0;
    double xLast = 0;
};

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
    const FreeChartDrawing &drawing() const { return m_drawing; }
    // The widget the chart is drawn on ("chartView"), and where in it a value stands.
    QWidget *view() const;
    QPointF positionOf(const QPointF &value) const;

    // The diameter of a lone day's dot: 12 square pixels.
    static double dotSize();

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
    FreeChartDrawing m_drawing;
    QString m_selectionText;

    ElidedLabel *m_title = nullptr;
    QStackedWidget *m_stack = nullptr;
    QLabel *m_placeholder = nullptr;
    View *m_view = nullptr;
};

} // namespace qm
