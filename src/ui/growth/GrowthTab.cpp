#include "ui/growth/GrowthTab.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/HeldButton.h"

#include "desktop/FolderRevealer.h"
#include "model/AppModel.h"
#include "platform/AppDisplayNames.h"
#include "records/SnapshotScheduler.h"
#include "records/WatchList.h"
#include "ui/controls/Divider.h"
#include "ui/controls/ScreenStyle.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/ThemeIcon.h"
#include "ui/growth/ChildGrowthList.h"
#include "ui/growth/FreeSpaceChart.h"
#include "ui/growth/GrowthRow.h"
#include "units/NameText.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace qm {

namespace {

FolderRevealer &defaultRevealer()
{
    static FileManagerRevealer revealer;
    return revealer;
}

void clearLayout(QVBoxLayout *layout)
{
    while (QLayoutItem *item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

} // namespace

GrowthTab::GrowthTab(AppModel &model, QWidget *parent)
    : GrowthTab(model, defaultRevealer(), AppDisplayNames::shared(), parent)
{}

GrowthTab::GrowthTab(AppModel &model,
                     FolderRevealer &revealer,
                     AppDisplayNames &displayNames,
                     QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_revealer(revealer)
    , m_displayNames(displayNames)
{
    setObjectName(QStringLiteral("growthTab"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("growthScroll"));
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto *content = new QWidget(m_scrollArea);
    content->setObjectName(QStringLiteral("growthContent"));
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    m_chart = new FreeSpaceChart(content);
    layout->addWidget(m_chart);

    m_period = new SegmentedPicker(
        {{QCoreApplication::translate("Growth", "1 Day"), 1, QStringLiteral("oneDay")},
         {QCoreApplication::translate("Growth", "1 Week"), 7, QStringLiteral("oneWeek")}},
        QCoreApplication::translate("Growth", "Comparison period"),
        content);
    m_period->setObjectName(QStringLiteral("periodPicker"));
    m_period->setToolTip(QCoreApplication::translate("Growth", "Compare"));
    connect(m_period, &SegmentedPicker::valueChanged, this, [this](int days) {
        m_model.setGrowthDaysBack(days);
    });
    layout->addWidget(m_period);

    m_notes = new QVBoxLayout;
    m_notes->setSpacing(4);
    layout->addLayout(m_notes);
    m_report = new QVBoxLayout;
    m_report->setSpacing(4);
    layout->addLayout(m_report);
    layout->addStretch(1);
    m_scrollArea->setWidget(content);
    outer->addWidget(m_scrollArea, 1);

    auto *bar = new QWidget(this);
    bar->setFixedHeight(28);
    auto *barLayout = new QVBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->setSpacing(0);
    barLayout->addWidget(new Divider(bar));
    m_backToTop = new QPushButton(QCoreApplication::translate("Growth", "Back to Top"), bar);
    m_backToTop->setObjectName(QStringLiteral("backToTop"));
    m_backToTop->setFlat(true);
    m_backToTop->setFont(captionFont());
    m_backToTop->setIcon(glyphIcon(Glyph::chevronUp, palette().color(QPalette::WindowText)));
    m_backToTop->setToolTip(m_backToTop->text());
    m_backToTop->setAccessibleName(m_backToTop->text());
    m_backToTop->setGraphicsEffect(new QGraphicsOpacityEffect(m_backToTop));
    barLayout->addWidget(m_backToTop, 1, Qt::AlignCenter);
    outer->addWidget(bar);
    connect(m_backToTop, &QPushButton::clicked, this, [this] {
        m_scrollArea->verticalScrollBar()->setValue(0);
    });
    connect(m_scrollArea->verticalScrollBar(),
            &QScrollBar::valueChanged,
            this,
            &GrowthTab::updateBackToTop);

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &GrowthTab::refresh);
    connect(&m_model, &AppModel::settingsChanged, this, &GrowthTab::scheduleRefresh);
    m_chartTimer.setSingleShot(true);
    m_chartTimer.setInterval(0);
    connect(&m_chartTimer, &QTimer::timeout, this, &GrowthTab::refreshChart);
    connect(&m_model, &AppModel::freeHistoryChanged, this, [this] {
        if (!m_refreshTimer.isActive())
            m_chartTimer.start();
    });
    connect(&m_model, &AppModel::fullDiskAccessChanged, this, &GrowthTab::scheduleRefresh);
    if (SnapshotScheduler *scheduler = m_model.scheduler()) {
        connect(scheduler, &SnapshotScheduler::snapshotsChanged, this, &GrowthTab::scheduleRefresh);
        connect(scheduler, &SnapshotScheduler::childrenChanged, this, &GrowthTab::scheduleRefresh);
    }
    refresh();
}

void GrowthTab::addFreeSpaceChange(const DeltaReport &report, QWidget *content)
{
    const QDateTime now = m_model.now();
    const FreeSpaceChange change = m_model.freeSpaceChange(report);
    QLabel *sentence = secondaryCaption(
        freeSpaceChangeText(change, m_model.settings().unit, now, m_model.calendar()), content);
    sentence->setObjectName(QStringLiteral("freeSpaceChange"));
    sentence->setTextFormat(Qt::PlainText);
    sentence->setWordWrap(true);
    if (!dropIsMostlyElsewhere(change)) {
        m_report->addWidget(sentence);
        return;
    }
    auto *line = new QWidget(content);
    auto *layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sentence, 1);
    auto *examine = new QPushButton(QCoreApplication::translate("Growth", "Examine"), line);
    examine->setObjectName(QStringLiteral("examineHome"));
    examine->setToolTip(
        QCoreApplication::translate("Growth", "Look through the home folder in a disk explorer"));
    connect(examine, &QPushButton::clicked, this, [this] { m_revealer.examine(m_model.home()); });
    layout->addWidget(examine, 0, Qt::AlignTop);
    m_report->addWidget(line);
}

void GrowthTab::toggleExpanded(const QString &path)
{
    if (m_expandedPath == path)
        m_expandedPath.reset();
    else
        m_expandedPath = path;
    refresh();
}

void GrowthTab::scheduleRefresh()
{
    m_refreshTimer.start();
}

void GrowthTab::refresh()
{
    if (waitForHeldButton(*m_scrollArea->widget(), m_refreshTimer))
        return;
    m_chartTimer.stop();
    m_period->setValue(int(m_model.settings().growthDaysBack));
    refreshChart();
    rebuildReport();
    updateBackToTop();
}

void GrowthTab::refreshChart()
{
    const Settings &settings = m_model.settings();
    const SnapshotScheduler *scheduler = m_model.scheduler();
    // The folder series is read again whenever the expanded folder or the records change.
    std::optional<std::pair<QString, int>> key;
    if (m_expandedPath)
        key = std::pair{*m_expandedPath, scheduler ? scheduler->revision() : 0};
    if (key != m_seriesKey) {
        m_seriesKey = key;
        m_folderPoints
            = m_expandedPath ? m_model.folderHistory(*m_expandedPath) : QList<HistoryPoint>();
    }
    if (m_expandedPath)
        m_chart->setSeries(
            m_folderPoints,
            settings.unit,
            FreeChartSubject::folder(displayName(folderDisplayName(*m_expandedPath))),
            m_model.now(),
            m_model.calendar());
    else
        m_chart->setSeries(
            m_model.freeHistory(),
            settings.unit,
            FreeChartSubject::freeSpace(settings.thresholdGB, m_model.totalCapacityBytes()),
            m_model.now(),
            m_model.calendar());
}

void GrowthTab::rebuildReport()
{
    QWidget *content = m_scrollArea->widget();
    const Settings &settings = m_model.settings();
    const QDateTime now = m_model.now();
    const Calendar calendar = m_model.calendar();

    clearLayout(m_notes);
    for (const UnmeasuredNote &note : unmeasuredNotes(m_model.unmeasuredGroups(), now, calendar)) {
        QLabel *label = secondaryCaption(note.text, content);
        label->setObjectName(QStringLiteral("unmeasuredNote"));
        label->setWordWrap(true);
        label->setToolTip(literalToolTip(note.helpText.split(QLatin1Char('\n'))));
        m_notes->addWidget(label);
    }

    clearLayout(m_report);
    const std::optional<DeltaReport> report = m_model.deltaReport(settings.growthDaysBack);
    if (!report) {
        m_report->addSpacing(24);
        QLabel *message = secondaryCaption(
            comparisonAvailabilityText(m_model.records(), settings.growthDaysBack, now, calendar),
            content);
        message->setObjectName(QStringLiteral("availability"));
        message->setFont(QApplication::font());
        message->setAlignment(Qt::AlignCenter);
        message->setWordWrap(true);
        m_report->addWidget(message);
        return;
    }
    auto *headline = new QLabel(growthHeadline(*report, settings.unit, now, calendar), content);
    headline->setObjectName(QStringLiteral("headline"));
    headline->setFont(subheadlineFont());
    headline->setWordWrap(true);
    headline->setToolTip(growthHeadlineHelpText());
    m_report->addWidget(headline);
    QLabel *comparison = secondaryCaption(
        comparisonText(*report, now, calendar, QLocale(), DayRangeForm::onScreen), content);
    comparison->setObjectName(QStringLiteral("comparison"));
    comparison->setTextFormat(Qt::PlainText);
    comparison->setToolTip(comparisonHelpText());
    m_report->addWidget(comparison);
    addFreeSpaceChange(*report, content);
    if (report->items.isEmpty()) {
        QLabel *nothing = new QLabel(nothingGrewText(), content);
        nothing->setObjectName(QStringLiteral("nothingGrew"));
        QPalette palette = nothing->palette();
        palette.setColor(QPalette::WindowText, toneColor(TextTone::secondary, this));
        nothing->setPalette(palette);
        m_report->addWidget(nothing);
        return;
    }
    auto *rows = new QWidget(content);
    rows->setObjectName(QStringLiteral("growthRows"));
    auto *rowsLayout = new QVBoxLayout(rows);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->setSpacing(0);
    for (const DeltaItem &item : report->items) {
        const bool expanded = m_expandedPath == item.path;
        auto *row = new GrowthRow(item, settings.unit, expanded, m_model.home(), m_revealer, rows);
        connect(row, &GrowthRow::toggled, this, &GrowthTab::toggleExpanded, Qt::QueuedConnection);
        rowsLayout->addWidget(row);
        if (expanded) {
            rowsLayout->addWidget(
                new ChildGrowthList(m_model.childDeltaReport(item.path, settings.growthDaysBack),
                                    settings.unit,
                                    expandTilde(item.path, m_model.home()),
                                    m_displayNames,
                                    m_revealer,
                                    rows));
        }
        rowsLayout->addWidget(new Divider(rows));
    }
    m_report->addWidget(rows);
}

void GrowthTab::updateBackToTop()
{
    const bool scrolled = m_scrollArea->verticalScrollBar()->value() > 1;
    m_backToTop->setEnabled(scrolled);
    static_cast<QGraphicsOpacityEffect *>(m_backToTop->graphicsEffect())
        ->setOpacity(scrolled ? 1.0 : 0.35);
}

} // namespace qm
