#include "ui/growth/FreeSpaceChart.h"

#include "growth/GrowthSummary.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/ScreenStyle.h"

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace qm {

namespace {
constexpr int chartHeight = 90;
// A lone day is a dot of 12 square pixels, about 4 pixels across: twice the line's width.
constexpr double dotArea = 12;
} // namespace

// Passes the pointer's day to the chart widget.
class FreeSpaceChart::View : public QChartView
{
public:
    View(QChart *chart, FreeSpaceChart *owner)
        : QChartView(chart, owner)
        , m_owner(owner)
    {
        setMouseTracking(true);
        viewport()->setMouseTracking(true);
    }

protected:
    void mouseMoveEvent(QMouseEvent *event) override
    {
        QChartView::mouseMoveEvent(event);
        const QPointF value = chart()->mapToValue(event->position());
        if (chart()->plotArea().contains(event->position()))
            m_owner->setSelection(QDateTime::fromMSecsSinceEpoch(qint64(value.x())));
        else
            m_owner->setSelection(std::nullopt);
    }
    void leaveEvent(QEvent *event) override
    {
        QChartView::leaveEvent(event);
        m_owner->setSelection(std::nullopt);
    }

private:
    FreeSpaceChart *m_owner;
};

FreeSpaceChart::FreeSpaceChart(QWidget *parent)
    : QWidget(parent)
    , m_title(new ElidedLabel({}, Qt::ElideMiddle, this))
    , m_stack(new QStackedWidget(this))
    , m_placeholder(secondaryCaption(
          QCoreApplication::translate("Chart", "The chart appears after 2 days of records"), this))
{
    setObjectName(QStringLiteral("freeSpaceChart"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_title->setObjectName(QStringLiteral("chartTitle"));
    makeSecondary(m_title);
    m_title->setToolTip(QCoreApplication::translate(
        "Chart", "Past days are daily records; today shows the current value."));
    layout->addWidget(m_title);

    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setBackgroundVisible(false);
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    // The axes stay for the life of the chart; only their ranges and the series change.
    m_xAxis = new QDateTimeAxis(chart);
    m_yAxis = new QValueAxis(chart);
    // Marks at round values (see valueTicks()), placed from an anchor at a fixed interval.
    m_yAxis->setTickType(QValueAxis::TicksDynamic);
    m_xAxis->setLabelsFont(caption2Font());
    m_yAxis->setLabelsFont(caption2Font());
    chart->addAxis(m_xAxis, Qt::AlignBottom);
    chart->addAxis(m_yAxis, Qt::AlignLeft);
    m_view = new View(chart, this);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setStyleSheet(QStringLiteral("background: transparent"));
    m_view->setFixedHeight(chartHeight);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_selectionLabel = new QLabel(m_view);
    m_selectionLabel->setObjectName(QStringLiteral("chartSelection"));
    m_selectionLabel->setFont(caption2Font());
    m_selectionLabel->hide();

    m_placeholder->setObjectName(QStringLiteral("chartPlaceholder"));
    m_placeholder->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_stack->addWidget(m_placeholder);
    m_stack->addWidget(m_view);
    layout->addWidget(m_stack);
}

FreeSpaceChart::~FreeSpaceChart() = default;

QChart *FreeSpaceChart::chart() const
{
    return m_view->chart();
}

QString FreeSpaceChart::title() const
{
    return m_title->text();
}

bool FreeSpaceChart::showsChart() const
{
    return m_stack->currentWidget() == m_view;
}

void FreeSpaceChart::setSeries(const QList<HistoryPoint> &points,
                               ByteUnit unit,
                               const FreeChartSubject &subject,
                               const QDateTime &now,
                               const Calendar &calendar)
{
    if (points == m_points && unit == m_unit && subject == m_subject && !m_title->text().isEmpty()
        && calendar.localDate(now) == calendar.localDate(m_now))
        return;
    m_points = points;
    m_unit = unit;
    m_subject = subject;
    m_now = now;
    m_calendar = calendar;
    rebuild();
}

void FreeSpaceChart::rebuild()
{
    qint64 largest = 0;
    for (const HistoryPoint &point : m_points)
        largest = std::max(largest, point.bytes);
    m_chartUnit = chartUnit(largest, m_unit);
    m_title->setText(freeChartTitle(m_subject, m_chartUnit));
    const QString accessibleName = freeChartAccessibleName(m_subject);

    QList<double> values;
    for (const HistoryPoint &point : m_points)
        values.append(double(point.bytes) / double(m_chartUnit.bytesPerUnit));
    const double span
        = minimumChartSpanBytes(m_subject, m_points) / double(m_chartUnit.bytesPerUnit);
    const std::optional<double> line = warningLineValue(m_subject, m_unit, m_chartUnit);
    m_domain = yDomain(values, span, line);

    QChart *chart = m_view->chart();
    chart->removeAllSeries();
    if (m_points.size() < 2 || !m_domain) {
        m_stack->setCurrentWidget(m_placeholder);
        m_stack->setFixedHeight(m_placeholder->sizeHint().height());
        setSelection(std::nullopt);
        return;
    }
    m_stack->setCurrentWidget(m_view);
    m_stack->setFixedHeight(chartHeight);
    m_view->setAccessibleName(accessibleName);

    const QColor accent = accentColor(this);
    const QColor secondary = secondaryTextColor(this);
    const QLocale locale;
    // Qt Charts gives the drawn points no accessible objects of their own: a screen reader
    // reads each day and its value, as the label under the pointer shows them, from the view.
    QStringList pointTexts;
    for (const HistoryPoint &point : m_points)
        pointTexts.append(shortDayText(point.day, m_now, m_calendar, locale) + QLatin1Char(' ')
                          + chartValueText(point.bytes, m_chartUnit, locale));
    m_view->setAccessibleDescription(pointTexts.join(QStringLiteral(", ")));

    QDateTimeAxis *xAxis = m_xAxis;
    QValueAxis *yAxis = m_yAxis;
    xAxis->setTickCount(dateTickCount(Calendar::wholeDaysBetween(
        m_calendar.localDate(m_points.first().day), m_calendar.localDate(m_points.last().day))));
    // Qt Charts writes axis numbers in the C locale unless told otherwise: the axes take the
    // locale (digits, separators, month names) of every other number on screen.
    chart->setLocale(locale);
    chart->setLocalizeNumbers(true);
    xAxis->setFormat(chartAxisDateFormat(locale));
    xAxis->setRange(m_points.first().day, m_points.last().day);
    yAxis->setRange(m_domain->lower, m_domain->upper);
    if (const std::optional<ValueTicks> ticks = valueTicks(m_domain->lower, m_domain->upper)) {
        yAxis->setTickAnchor(ticks->first);
        yAxis->setTickInterval(ticks->step);
        // With localized numbers the chart writes "%.Nf" in its locale: "1,5" in Germany.
        yAxis->setLabelFormat(QStringLiteral("%.") + QString::number(ticks->decimals)
                              + QLatin1Char('f'));
    }
    for (QAbstractAxis *axis :
         {static_cast<QAbstractAxis *>(xAxis), static_cast<QAbstractAxis *>(yAxis)}) {
        axis->setLabelsColor(secondary);
        axis->setGridLineColor(withOpacity(secondary, 0.3));
        axis->setLinePen(QPen(withOpacity(secondary, 0.5), 1));
    }

    const auto attach = [&](QXYSeries *series) {
        chart->addSeries(series);
        series->attachAxis(xAxis);
        series->attachAxis(yAxis);
    };
    const QList<QList<HistoryPoint>> runs = dayRuns(m_points, m_calendar);
    for (qsizetype index = 0; index < runs.size(); ++index) {
        const QList<HistoryPoint> &run = runs[index];
        auto *series = new QLineSeries;
        series->setName(QStringLiteral("Run %1").arg(index));
        series->setPen(QPen(accent, 2));
        for (const HistoryPoint &point : run)
            series->append(double(point.day.toMSecsSinceEpoch()),
                           double(point.bytes) / double(m_chartUnit.bytesPerUnit));
        attach(series);
        if (run.size() == 1) {
            auto *dot = new QScatterSeries;
            dot->setName(QStringLiteral("Dot %1").arg(index));
            dot->setMarkerShape(QScatterSeries::MarkerShapeCircle);
            dot->setMarkerSize(dotDiameter(dotArea));
            dot->setColor(accent);
            dot->setPen(Qt::NoPen);
            dot->append(series->at(0));
            attach(dot);
        }
    }
    if (line && m_domain->drawsWarningLine) {
        auto *rule = new QLineSeries;
        rule->setName(QStringLiteral("Warning line"));
        QPen pen(secondary, 1, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        pen.setDashPattern({4, 3});
        rule->setPen(pen);
        rule->append(double(m_points.first().day.toMSecsSinceEpoch()), *line);
        rule->append(double(m_points.last().day.toMSecsSinceEpoch()), *line);
        attach(rule);
    }
    updateSelectionLabel();
}

void FreeSpaceChart::setSelection(const std::optional<QDateTime> &selection)
{
    m_selection = selection;
    updateSelectionLabel();
}

QString FreeSpaceChart::selectionText() const
{
    return m_selectionLabel->isVisibleTo(m_view) ? m_selectionLabel->text() : QString();
}

void FreeSpaceChart::updateSelectionLabel()
{
    const std::optional<HistoryPoint> point
        = showsChart() ? selectedPoint(m_points, m_selection) : std::nullopt;
    if (!point) {
        m_selectionLabel->hide();
        return;
    }
    const QLocale locale;
    m_selectionLabel->setText(shortDayText(point->day, m_now, m_calendar, locale) + QLatin1Char(' ')
                              + chartValueText(point->bytes, m_chartUnit, locale));
    const QColor background = palette().color(QPalette::Window);
    m_selectionLabel->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(%1,%2,%3,215); border-radius: 4px; padding: 0 "
                       "4px; color: %4; }")
            .arg(background.red())
            .arg(background.green())
            .arg(background.blue())
            .arg(secondaryTextColor(this).name()));
    m_selectionLabel->adjustSize();
    const QRectF plot = m_view->chart()->plotArea();
    m_selectionLabel->move(int(plot.left()), int(plot.top()));
    m_selectionLabel->show();
    m_selectionLabel->raise();
}

} // namespace qm
