#include "ui/settings/SettingsWindow.h"

#include "model/AppModel.h"
#include "platform/DeviceInfo.h"
#include "platform/LogSink.h"
#include "ui/controls/MainMenu.h"
#include "ui/controls/SymbolIcon.h"
#include "ui/popover/PopoverWindows.h"
#include "ui/settings/AboutSettingsForm.h"
#include "ui/settings/GeneralSettingsForm.h"
#include "ui/settings/MenuBarSettingsForm.h"
#include "ui/settings/NotificationSettingsForm.h"
#include "ui/settings/SettingsWindowLayout.h"
#include "ui/settings/WatchSettingsForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QListWidget>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace qm {

namespace {

Symbol sectionSymbol(SettingsSection section)
{
    switch (section) {
    case SettingsSection::general:
        return Symbol::general;
    case SettingsSection::menuBar:
        return Symbol::menuBar;
    case SettingsSection::notifications:
        return Symbol::bell;
    case SettingsSection::watch:
        return Symbol::folder;
    case SettingsSection::about:
        break;
    }
    return Symbol::info;
}

} // namespace

SettingsSection SettingsWindow::sectionToOpen(const QString &lastSettingsTab)
{
    if (lastSettingsTab == QLatin1String("thresholds"))
        return SettingsSection::notifications;
    return settingsSectionFromRawValue(lastSettingsTab).value_or(SettingsSection::general);
}

QString SettingsWindow::sectionTitle(SettingsSection section)
{
    switch (section) {
    case SettingsSection::general:
        return tr("General");
    case SettingsSection::menuBar:
        return tr("Menu Bar");
    case SettingsSection::notifications:
        return tr("Notifications");
    case SettingsSection::watch:
        return tr("Watched Folders");
    case SettingsSection::about:
        break;
    }
    return tr("About");
}

SettingsWindow::SettingsWindow(AppModel &model, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_model(model)
    , m_services(withDefaultUiServices())
{
    setObjectName(QStringLiteral("settingsWindow"));
    // Opens at its preferred size where that fits; on a small or scaled screen it shrinks to the
    // screen and the forms scroll (placeWindow).
    setMinimumSize(settingsUsableMinimum);
    resize(minimumContentSize);

    // A move or resize is saved half a second after the last step of it, and at the latest when
    // the program quits, so that a quit with the window open keeps where the user put it.
    m_frameSaveTimer.setSingleShot(true);
    m_frameSaveTimer.setInterval(500);
    connect(&m_frameSaveTimer, &QTimer::timeout, this, &SettingsWindow::saveFrame);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
        if (m_frameSaveTimer.isActive())
            saveFrame();
    });

    auto *columns = new QHBoxLayout(this);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);

    auto *sidebarColumn = new QWidget(this);
    sidebarColumn->setFixedWidth(sidebarWidth);
    auto *sidebarLayout = new QVBoxLayout(sidebarColumn);
    sidebarLayout->setContentsMargins(8, 10, 8, 8);
    m_sidebar = new QListWidget(sidebarColumn);
    m_sidebar->setObjectName(QStringLiteral("settingsSidebar"));
    m_sidebar->setAccessibleName(tr("Settings sections"));
    m_sidebar->setIconSize(QSize(16, 16));
    m_sidebar->setSpacing(2);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    // One rounded highlight over the whole selected row, symbol included.
    m_sidebar->setStyleSheet(
        QStringLiteral("QListWidget::item { border-radius: 5px; padding-left: 4px; }"
                       "QListWidget::item:selected { background: palette(highlight); color: "
                       "palette(highlighted-text); }"));
    m_sidebar->setBackgroundRole(QPalette::Window);
    m_sidebar->viewport()->setBackgroundRole(QPalette::Window);
    for (const SettingsSection section : allSettingsSections) {
        auto *item = new QListWidgetItem(
            symbolIcon(sectionSymbol(section)), sectionTitle(section), m_sidebar);
        item->setData(Qt::UserRole, settingsSectionRawValue(section));
        item->setSizeHint(QSize(sidebarWidth - 20, 28));
    }
    sidebarLayout->addWidget(m_sidebar);
    columns->addWidget(sidebarColumn);

    m_forms = new QStackedWidget(this);
    m_forms->addWidget(new GeneralSettingsForm(model, m_services, m_forms));
    m_forms->addWidget(new MenuBarSettingsForm(model, m_forms));
    m_forms->addWidget(new NotificationSettingsForm(model, m_forms));
    m_forms->addWidget(new WatchSettingsForm(model, m_services, m_forms));
    m_forms->addWidget(new AboutSettingsForm(
        model, m_services, DeviceInfo::lines(DeviceInfo::current()), m_forms));
    auto *formScroll = new QScrollArea(this);
    formScroll->setObjectName(QStringLiteral("settingsFormScroll"));
    formScroll->setFrameShape(QFrame::NoFrame);
    formScroll->setWidgetResizable(true);
    formScroll->viewport()->setBackgroundRole(QPalette::Window);
    formScroll->setWidget(m_forms);
    columns->addWidget(formScroll, 1);

    // Until the window is opened it shows the remembered section without storing anything.
    m_section = sectionToOpen(model.settings().lastSettingsTab);
    {
        const QSignalBlocker blocker(m_sidebar);
        m_sidebar->setCurrentRow(int(m_section));
    }
    m_forms->setCurrentIndex(int(m_section));
    setWindowTitle(sectionTitle(m_section));

    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row >= int(allSettingsSections.size()))
            return;
        select(allSettingsSections.at(row));
        sectionChanged(m_section);
    });
}

SettingsWindow::~SettingsWindow()
{
    // The program quits (Ctrl+Q) with the window still open, just after a move or resize.
    if (m_frameSaveTimer.isActive())
        saveFrame();
}

void SettingsWindow::setMainMenu(MainMenu *menu)
{
    m_mainMenu = menu;
    if (menu)
        menu->attachTo(this);
}

QWidget *SettingsWindow::form(SettingsSection section) const
{
    return m_forms->widget(int(section));
}

void SettingsWindow::open(std::optional<SettingsSection> section)
{
    if (m_mainMenu)
        m_mainMenu->install(MainMenu::InstallReason::settingsWindowOpened);
    const SettingsSection chosen
        = section.value_or(sectionToOpen(m_model.settings().lastSettingsTab));
    select(chosen);
    sectionChanged(chosen);
    closePopoverWindows();
    if (!m_placed) {
        m_placed = true;
        placeWindow();
    }
    show();
    // On the next turn, once the popover has gone.
    QTimer::singleShot(0, this, [this] {
        raise();
        activateWindow();
    });
}

bool SettingsWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_mainMenu)
        m_mainMenu->install(MainMenu::InstallReason::settingsWindowBecameFrontmost);
    return QWidget::event(event);
}

void SettingsWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        saveFrame();
}

void SettingsWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    scheduleFrameSave();
}

void SettingsWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scheduleFrameSave();
}

void SettingsWindow::scheduleFrameSave()
{
    // Only a frame the user can see is the user's; the placement before the first show is not.
    if (isVisible())
        m_frameSaveTimer.start();
}

namespace {

// Window frames live beside the program's other per-user state, not in settings.json.
QSettings frameStore()
{
    return QSettings(
        QFileInfo(LogSink::defaultLogFilePath()).dir().filePath(QStringLiteral("windows.ini")),
        QSettings::IniFormat);
}

} // namespace

void SettingsWindow::placeWindow()
{
    SettingsFrameInput input;
    input.preferredSize = minimumContentSize;
    const QByteArray saved = frameStore().value(QLatin1String(frameName)).toByteArray();
    if (!saved.isEmpty() && restoreGeometry(saved))
        input.saved = geometry();
    const QScreen *screen
        = input.saved ? QGuiApplication::screenAt(input.saved->center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    input.usableArea = screen->availableGeometry();
    // The window manager's frame is known once the window has been shown; until then a title
    // bar's worth is kept free above the content.
    const QSize frame = frameGeometry().size() - size();
    input.decorations = isVisible() && !frame.isEmpty() ? frame : QSize(0, defaultTitleBarHeight);
    setMinimumSize(settingsWindowMinimumSize(input.usableArea, input.decorations));
    setGeometry(settingsWindowFrame(input));
}

void SettingsWindow::saveFrame()
{
    m_frameSaveTimer.stop();
    frameStore().setValue(QLatin1String(frameName), saveGeometry());
}

void SettingsWindow::select(SettingsSection section)
{
    m_section = section;
    const QSignalBlocker blocker(m_sidebar);
    m_sidebar->setCurrentRow(int(section));
    m_forms->setCurrentIndex(int(section));
}

void SettingsWindow::sectionChanged(SettingsSection section)
{
    setWindowTitle(sectionTitle(section));
    const QString raw = settingsSectionRawValue(section);
    if (m_model.settings().lastSettingsTab != raw)
        m_model.setLastSettingsTab(raw);
}

} // namespace qm
