#include "ui/popover/PopoverContent.h"

#include "ui/cleanup/CleanupTab.h"

#include "model/AppModel.h"
#include "ui/growth/GrowthTab.h"
#include "ui/popover/PopoverFooter.h"
#include "ui/popover/PopoverHeader.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace qm {

QWidget *PopoverContent::makeCleanupPage(AppModel &model, QWidget *parent)
{
    auto *page = new QWidget(parent);
    page->setObjectName(QStringLiteral("cleanupTabPage"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new CleanupTab(model, page));
    return page;
}

PopoverContent::PopoverContent(AppModel &model, PopoverPlacement placement, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_placement(placement)
{
    setObjectName(QStringLiteral("popoverContent"));
    setFixedWidth(popoverWidth);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("popoverScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    outer->addWidget(m_scroll);

    m_inner = new QWidget(m_scroll);
    m_inner->setAutoFillBackground(false);
    auto *layout = new QVBoxLayout(m_inner);
    layout->setContentsMargins(popoverPadding, popoverPadding, popoverPadding, popoverPadding);
    layout->setSpacing(popoverSpacing);
    m_header = new PopoverHeader(model, m_inner);
    layout->addWidget(m_header);
    m_tabs = new QStackedWidget(m_inner);
    m_tabs->setObjectName(QStringLiteral("tabContent"));
    m_growthTab = new GrowthTab(model, m_tabs);
    m_cleanupPage = makeCleanupPage(model, m_tabs);
    m_tabs->addWidget(m_growthTab);
    m_tabs->addWidget(m_cleanupPage);
    layout->addWidget(m_tabs);
    m_footer = new PopoverFooter(m_inner);
    layout->addWidget(m_footer);
    m_scroll->setWidget(m_inner);

    connect(m_header, &PopoverHeader::tabPicked, this, &PopoverContent::selectTab);
    connect(m_footer, &PopoverFooter::settingsRequested, this, &PopoverContent::settingsRequested);
    connect(m_footer,
            &PopoverFooter::openInWindowRequested,
            this,
            &PopoverContent::openInWindowRequested);
    connect(m_footer, &PopoverFooter::quitRequested, this, &PopoverContent::quitRequested);
    connect(&m_model, &AppModel::requestedTabChanged, this, [this] {
        if (isVisible())
            applyRequestedTab();
    });
    m_header->installEventFilter(this);
    m_footer->installEventFilter(this);
    m_relayoutTimer.setSingleShot(true);
    m_relayoutTimer.setInterval(0);
    connect(&m_relayoutTimer, &QTimer::timeout, this, &PopoverContent::relayout);
    // Screens coming, going or changing their size or usable area (a new resolution, a panel
    // added or moved) are measured again; a burst of them gives one measurement.
    m_screenTimer.setSingleShot(true);
    m_screenTimer.setInterval(0);
    connect(&m_screenTimer, &QTimer::timeout, this, &PopoverContent::screensChanged);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &PopoverContent::scheduleScreenMeasure);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &PopoverContent::scheduleScreenMeasure);
    relayout();
}

void PopoverContent::selectTab(MenuTab tab)
{
    m_header->setSelectedTab(tab);
    if (tab == m_selectedTab)
        return;
    m_selectedTab = tab;
    m_tabs->setCurrentWidget(tab == MenuTab::growth ? static_cast<QWidget *>(m_growthTab)
                                                    : m_cleanupPage);
    Q_EMIT selectedTabChanged(tab);
}

void PopoverContent::applyRequestedTab()
{
    const std::optional<MenuTab> requested = m_model.requestedTab();
    if (!requested)
        return;
    m_model.setRequestedTab(std::nullopt);
    selectTab(*requested);
}

void PopoverContent::setFixedAvailableHeight(std::optional<double> height)
{
    m_fixedAvailableHeight = height;
    relayout();
}

void PopoverContent::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    applyRequestedTab();
    if (QWindow *handle = window()->windowHandle()) {
        connect(handle,
                &QWindow::screenChanged,
                this,
                &PopoverContent::followScreen,
                Qt::UniqueConnection);
        followScreen(handle->screen());
    }
    measureWindow();
}

void PopoverContent::followScreen(QScreen *screen)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_screenConnections))
        disconnect(connection);
    m_screenConnections.clear();
    if (screen) {
        m_screenConnections = {
            connect(
                screen, &QScreen::geometryChanged, this, &PopoverContent::scheduleScreenMeasure),
            connect(screen,
                    &QScreen::availableGeometryChanged,
                    this,
                    &PopoverContent::scheduleScreenMeasure),
        };
    }
    scheduleScreenMeasure();
}

void PopoverContent::scheduleScreenMeasure()
{
    m_screenTimer.start();
}

void PopoverContent::screensChanged()
{
    // The usable height of the window's screen, and the smallest one of all screens that
    // stands in for it while the window has none, may both have changed.
    measureWindow();
    scheduleRelayout();
}

bool PopoverContent::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        scheduleRelayout();
    return QWidget::eventFilter(watched, event);
}

void PopoverContent::measureWindow()
{
    if (m_fixedAvailableHeight)
        return;
    PopoverWindowMetrics metrics;
    const QWidget *top = window();
    if (top != this && top->screen()) {
        // Everything of the window that is not this content counts as chrome: the popover's
        // rim as much as a main window's frame.
        metrics = popoverWindowMetrics(m_placement,
                                       top->screen()->availableGeometry(),
                                       top->frameGeometry(),
                                       height() > 0 ? height() : top->geometry().height());
    }
    if (!windowMetricsChanged(m_metrics, metrics))
        return;
    m_metrics = metrics;
    relayout();
}

void PopoverContent::scheduleRelayout()
{
    m_relayoutTimer.start();
}

void PopoverContent::relayout()
{
    m_relayoutTimer.stop();
    const double outer
        = popoverOuterHeight(m_header->sizeHint().height(), m_footer->sizeHint().height());
    if (outerHeightChanged(m_outerHeight, outer))
        m_outerHeight = outer;
    double smallest = 0;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const double height = screen->availableGeometry().height();
        smallest = smallest > 0 ? std::min(smallest, height) : height;
    }
    const PopoverLayout next
        = popoverLayout({m_outerHeight, m_fixedAvailableHeight, m_metrics, smallest});
    m_layout = next;
    m_tabs->setFixedHeight(int(next.tabContentHeight));
    if (next.scrolls) {
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_scroll->setFixedHeight(int(*next.maximumHeight));
    } else {
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_inner->adjustSize();
        m_scroll->setFixedHeight(m_inner->sizeHint().height());
    }
    updateGeometry();
    Q_EMIT preferredSizeChanged();
}

} // namespace qm
