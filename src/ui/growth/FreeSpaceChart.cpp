#include "ui/growth/FreeSpaceChart.h"

#include "growth/GrowthSummary.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/ScreenStyle.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace qm {

namespace {
constexpr int chartHeight = 90;
// A lone day is a dot of 12 square pixels, about 4 pixels across: twice the line's width.
constexpr double dotArea = 12;
// The label of the day under the pointer: its corner radius and side padding.
constexpr double selectionRadius = 4;
constexpr double selectionPadding = 4;
} // namespace

// Draws the chart with QPainter (a few lines and labels need no scene) and passes the pointer's
// day to the chart widget.
class FreeSpaceChart::View : public QWidget
{
public:
    explicit View(FreeSpaceChart *owner)
        : QWidget(owner)
        , m_owner(owner)
    {
        setMouseTracking(true);
    }

    ChartMapping mapping() const
    {
        const FreeChartDrawing &drawing = m_owner->m_drawing;
        const QFontMetricsF metrics(caption2Font());
        double valueWidth = 0;
        for (const ChartTick &tick : drawing.valueTicks)
            valueWidth = std::max(valueWidth, metrics.horizontalAdvance(tick.label));
        const auto dateWidth = [&](bool first) {
            if (drawing.dateTicks.isEmpty())
                return 0.0;
            return metrics.horizontalAdvance(first ? drawing.dateTicks.first().label
                                                   : drawing.dateTicks.last().label);
        };
        ChartMapping mapping;
        mapping.plot = chartPlotArea(
            QSizeF(size()), valueWidth, dateWidth(true), dateWidth(false), metrics.height());
        mapping.xFirst = drawing.xFirst;
        mapping.xLast = drawing.xLast;
        if (m_owner->m_domain) {
            mapping.lower = m_owner->m_domain->lower;
            mapping.upper = m_owner->m_domain->upper;
        }
        return mapping;
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const FreeChartDrawing &drawing = m_owner->m_drawing;
        if (!m_owner->m_domain)
            return;
        const ChartMapping map = mapping();
        const QRectF plot = map.plot;
        const QColor accent = accentColor(this);
        const QColor secondary = secondaryTextColor(this);
        const QFont font = caption2Font();
        const QFontMetricsF metrics(font);

        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(font);

        // The grid, the axes and their marks, crisp on whole pixels.
        const auto crisp = [](double v) {
            return std::floor(v) + 0.5;
        };
        const QPen grid(withOpacity(secondary, 0.3), 1);
        const QPen axis(withOpacity(secondary, 0.5), 1);
        for (const ChartTick &tick : drawing.valueTicks) {
            const double y = crisp(map.position({map.xFirst, tick.value}).y());
            painter.setPen(grid);
            painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            painter.setPen(axis);
            painter.drawLine(QPointF(plot.left() - chartTickLength, y), QPointF(plot.left(), y));
            painter.setPen(secondary);
            const QRectF label(0,
                               y - metrics.height() / 2,
                               plot.left() - chartTickLength - chartLabelGap,
                               metrics.height());
            painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, tick.label);
        }
        for (const ChartTick &tick : drawing.dateTicks) {
            const double x = crisp(map.position({tick.value, map.lower}).x());
            painter.setPen(grid);
            painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
            painter.setPen(axis);
            painter.drawLine(QPointF(x, plot.bottom()),
                             QPointF(x, plot.bottom() + chartTickLength));
            painter.setPen(secondary);
            const double width = metrics.horizontalAdvance(tick.label);
            const QRectF label(x - width / 2,
                               plot.bottom() + chartTickLength + chartLabelGap,
                               width,
                               metrics.height());
            painter.drawText(label, Qt::AlignCenter, tick.label);
        }
        painter.setPen(axis);
        painter.drawLine(QPointF(crisp(plot.left()), plot.top()),
                         QPointF(crisp(plot.left()), plot.bottom()));
        painter.drawLine(QPointF(plot.left(), crisp(plot.bottom())),
                         QPointF(plot.right(), crisp(plot.bottom())));

        // The series, kept inside the plot area (a dot or a line end on its edge stays whole).
        painter.save();
        painter.setClipRect(plot.adjusted(-dotSize(), -dotSize(), dotSize(), dotSize()));
        painter.setPen(QPen(accent, 2));
        const double dot = dotSize();
        for (const QList<QPointF> &run : drawing.runs) {
            QPolygonF line;
            for (const QPointF &value : run)
                line.append(map.position(value));
            if (line.size() == 1) {
                painter.save();
                painter.setPen(Qt::NoPen);
                painter.setBrush(accent);
                painter.drawEllipse(line.first(), dot / 2, dot / 2);
                painter.restore();
            } else {
                painter.drawPolyline(line);
            }
        }
        if (drawing.warningLine) {
            QPen pen(secondary, 1, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
            pen.setMiterLimit(10);
            pen.setDashPattern({4, 3});
            painter.setPen(pen);
            painter.drawLine(map.position({map.xFirst, *drawing.warningLine}),
                             map.position({map.xLast, *drawing.warningLine}));
        }
        painter.restore();

        // The day under the pointer, in the plot's top left corner.
        const QString &selection = m_owner->m_selectionText;
        if (!selection.isEmpty()) {
            const QRectF box(plot.topLeft(),
                             QSizeF(metrics.horizontalAdvance(selection) + 2 * selectionPadding,
                                    metrics.height()));
            QColor background = palette().color(QPalette::Window);
            background.setAlpha(215);
            painter.setPen(Qt::NoPen);
            painter.setBrush(background);
            painter.drawRoundedRect(box, selectionRadius, selectionRadius);
            painter.setPen(secondary);
            painter.drawText(box, Qt::AlignCenter, selection);
        }
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        QWidget::mouseMoveEvent(event);
        const ChartMapping map = mapping();
        if (map.plot.contains(event->position()))
            m_owner->setSelection(
                QDateTime::fromMSecsSinceEpoch(qint64(map.timeAt(event->position().x()))));
        else
            m_owner->setSelection(std::nullopt);
    }

    void leaveEvent(QEvent *event) override
    {
        QWidget::leaveEvent(event);
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

    m_view = new View(this);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setFixedHeight(chartHeight);

    m_placeholder->setObjectName(QStringLiteral("chartPlaceholder"));
    m_placeholder->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_stack->addWidget(m_placeholder);
    m_stack->addWidget(m_view);
    layout->addWidget(m_stack);
}

FreeSpaceChart::~FreeSpaceChart() = default;

QWidget *FreeSpaceChart::view() const
{
    return m_view;
}

QPointF FreeSpaceChart::positionOf(const QPointF &value) const
{
    return m_view->mapping().position(value);
}

double FreeSpaceChart::dotSize()
{
    return dotDiameter(dotArea);
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

    m_drawing = {};
    if (m_points.size() < 2 || !m_domain) {
        m_stack->setCurrentWidget(m_placeholder);
        m_stack->setFixedHeight(m_placeholder->sizeHint().height());
        setSelection(std::nullopt);
        return;
    }
    m_stack->setCurrentWidget(m_view);
    m_stack->setFixedHeight(chartHeight);
    m_view->setAccessibleName(accessibleName);

    // The axes, the dates and the numbers take the locale (digits, separators, month names) of
    // every other number on screen.
    const QLocale locale;
    // The drawn points have no accessible objects of their own: a screen reader reads each day
    // and its value, as the label under the pointer shows them, from the view.
    QStringList pointTexts;
    for (const HistoryPoint &point : m_points)
        pointTexts.append(shortDayText(point.day, m_now, m_calendar, locale) + QLatin1Char(' ')
                          + chartValueText(point.bytes, m_chartUnit, locale));
    m_view->setAccessibleDescription(pointTexts.join(QStringLiteral(", ")));

    m_drawing.xFirst = double(m_points.first().day.toMSecsSinceEpoch());
    m_drawing.xLast = double(m_points.last().day.toMSecsSinceEpoch());
    m_drawing.dateTicks = dateTicks(m_points.first().day, m_points.last().day, m_calendar, locale);
    if (const std::optional<ValueTicks> ticks = valueTicks(m_domain->lower, m_domain->upper))
        m_drawing.valueTicks = valueTickMarks(*ticks, locale);
    for (const QList<HistoryPoint> &run : dayRuns(m_points, m_calendar)) {
        QList<QPointF> drawn;
        for (const HistoryPoint &point : run)
            drawn.append({double(point.day.toMSecsSinceEpoch()),
                          double(point.bytes) / double(m_chartUnit.bytesPerUnit)});
        m_drawing.runs.append(drawn);
    }
    if (line && m_domain->drawsWarningLine)
        m_drawing.warningLine = line;
    updateSelectionLabel();
    m_view->update();
}

void FreeSpaceChart::setSelection(const std::optional<QDateTime> &selection)
{
    m_selection = selection;
    updateSelectionLabel();
}

QString FreeSpaceChart::selectionText() const
{
    return m_selectionText;
}

void FreeSpaceChart::updateSelectionLabel()
{
    const std::optional<HistoryPoint> point
        = showsChart() ? selectedPoint(m_points, m_selection) : std::nullopt;
    QString text;
    if (point) {
        const QLocale locale;
        text = shortDayText(point->day, m_now, m_calendar, locale) + QLatin1Char(' ')
               + chartValueText(point->bytes, m_chartUnit, locale);
    }
    if (text == m_selectionText)
        return;
    m_selectionText = text;
    m_view->update();
}

} // namespace qm
