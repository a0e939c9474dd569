#pragma once

#include "settings/SettingsSection.h"
#include "ui/controls/UiServices.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <optional>

class QListWidget;
class QStackedWidget;

namespace qm {

class AppModel;
class MainMenu;

// The Settings window: a sidebar of the five sections (General, Menu Bar, Notifications,
// Watched Folders, About) and the chosen section's form beside it. Every control edits one
// setting through the model, which saves settings.json at once. The section shown last is kept
// in the setting `lastSettingsTab`. Closing the window only hides it.
class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    // Content size when opened where the screen has room for it; on a smaller screen the window
    // is made smaller (down to settingsUsableMinimum) and the forms scroll.
    static constexpr QSize minimumContentSize{720, 512};
    // Kept free above the content for the title bar before the window manager's frame is known.
    static constexpr int defaultTitleBarHeight = 32;
    static constexpr int sidebarWidth = 180;
    // The name under which the window's frame is kept between runs.
    static constexpr auto frameName = "QuillmereSettings";

    explicit SettingsWindow(AppModel &model, QWidget *parent = nullptr);
    ~SettingsWindow() override;

    // The dialogs and desktop services the forms use (tests answer them).
    UiServices &services() { return m_services; }
    // The menus installed when the window opens and whenever it comes to the front.
    void setMainMenu(MainMenu *menu);

    // Opens the window on `section`, or on the one remembered in `lastSettingsTab`; closes the
    // popover and brings the window to the front.
    void open(std::optional<SettingsSection> section = std::nullopt);

    SettingsSection section() const { return m_section; }
    QWidget *form(SettingsSection section) const;

    // The section that `lastSettingsTab` names: "thresholds" (an older name) is Notifications,
    // anything unknown General.
    static SettingsSection sectionToOpen(const QString &lastSettingsTab);
    static QString sectionTitle(SettingsSection section);

protected:
    bool event(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void select(SettingsSection section);
    void sectionChanged(SettingsSection section);
    // Places the window where it was last, or centred on the screen the first time.
    void placeWindow();
    void saveFrame();
    // A move or resize of the shown window: its frame is saved once the user has let go.
    void scheduleFrameSave();

    AppModel &m_model;
    UiServices m_services;
    QPointer<MainMenu> m_mainMenu;
    SettingsSection m_section = SettingsSection::general;
    bool m_placed = false;
    QTimer m_frameSaveTimer;
    QListWidget *m_sidebar = nullptr;
    QStackedWidget *m_forms = nullptr;
};

} // namespace qm
