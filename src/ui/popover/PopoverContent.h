#pragma once

#include "model/MenuTab.h"
#include "ui/popover/PopoverLayout.h"

#include <QTimer>
#include <QWidget>

class QScreen;
class QScrollArea;
class QStackedWidget;

namespace qm {

class AppModel;
class GrowthTab;
class PopoverFooter;
class PopoverHeader;

// The popover's content, shared by the panel under the tray item and the main window: header
// with the tab picker, the Growth and Cleanup tabs (both alive, one shown, each keeping its
// state while hidden) and the footer. The tab content's height follows PopoverLayout on the
// screen the window is on; when even 144 pixels do not fit, everything scrolls.
class PopoverContent : public QWidget
{
    Q_OBJECT
public:
    PopoverContent(AppModel &model, PopoverPlacement placement, QWidget *parent = nullptr);

    // The page of the Cleanup tab.
    static QWidget *makeCleanupPage(AppModel &model, QWidget *parent);

    PopoverPlacement placement() const { return m_placement; }
    MenuTab selectedTab() const { return m_selectedTab; }
    void selectTab(MenuTab tab);
    const PopoverLayout &layoutResult() const { return m_layout; }
    GrowthTab *growthTab() const { return m_growthTab; }
    QWidget *cleanupPage() const { return m_cleanupPage; }
    // Sizing with a height the host imposes instead of the screen's.
    void setFixedAvailableHeight(std::optional<double> height);
    // Measures the window and its screen again (also done when the content is shown).
    void measureWindow();

Q_SIGNALS:
    void selectedTabChanged(MenuTab tab);
    void settingsRequested();
    void openInWindowRequested();
    void quitRequested();
    // The content's size changed; the window around it should fit it again.
    void preferredSizeChanged();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyRequestedTab();
    // Follows the size and usable area of the screen the window is on.
    void followScreen(QScreen *screen);
    void scheduleScreenMeasure();
    void screensChanged();
    void scheduleRelayout();
    void relayout();

    AppModel &m_model;
    PopoverPlacement m_placement;
    MenuTab m_selectedTab = MenuTab::growth;
    std::optional<double> m_fixedAvailableHeight;
    double m_outerHeight = 0;
    PopoverWindowMetrics m_metrics;
    PopoverLayout m_layout;
    QTimer m_relayoutTimer;
    QTimer m_screenTimer;
    QList<QMetaObject::Connection> m_screenConnections;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_inner = nullptr;
    PopoverHeader *m_header = nullptr;
    QStackedWidget *m_tabs = nullptr;
    GrowthTab *m_growthTab = nullptr;
    QWidget *m_cleanupPage = nullptr;
    PopoverFooter *m_footer = nullptr;
};

} // namespace qm
