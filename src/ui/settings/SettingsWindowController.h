#pragma once

#include "settings/SettingsSection.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace qm {

class AppModel;
class MainMenu;
class SettingsWindow;

// Keeps the one Settings window of the program: made on first use, kept when closed, and
// brought back with its state by every later request.
class SettingsWindowController : public QObject
{
    Q_OBJECT

public:
    explicit SettingsWindowController(AppModel &model,
                                      MainMenu *mainMenu = nullptr,
                                      QObject *parent = nullptr);
    ~SettingsWindowController() override;

    // Opens the window (Settings… in the menus and the popover give no section).
    SettingsWindow &show(std::optional<SettingsSection> section = std::nullopt);
    // The window, once made.
    SettingsWindow *window() const { return m_window.get(); }

private:
    AppModel &m_model;
    QPointer<MainMenu> m_mainMenu;
    std::unique_ptr<SettingsWindow> m_window;
};

} // namespace qm
