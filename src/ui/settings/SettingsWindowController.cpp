#include "ui/settings/SettingsWindowController.h"

#include "ui/controls/MainMenu.h"
#include "ui/settings/SettingsWindow.h"

namespace qm {

SettingsWindowController::SettingsWindowController(AppModel &model,
                                                   MainMenu *mainMenu,
                                                   QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_mainMenu(mainMenu)
{}

SettingsWindowController::~SettingsWindowController() = default;

SettingsWindow &SettingsWindowController::show(std::optional<SettingsSection> section)
{
    if (!m_window) {
        m_window = std::make_unique<SettingsWindow>(m_model);
        m_window->setMainMenu(m_mainMenu);
    }
    m_window->open(section);
    return *m_window;
}

} // namespace qm
