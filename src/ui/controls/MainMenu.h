#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QWidget;

namespace qm {

// The program's commands with their shortcuts: "Quillmere" (Settings… Ctrl+, and Quit
// Quillmere Ctrl+Q), "Edit" (Undo, Redo, Cut, Copy, Paste, Select All, acting on the focused
// field) and "Window" (Close, Ctrl+W). A tray program has no menu bar: the menus are not shown,
// but their actions are attached to the program's windows, so the shortcuts work wherever one of
// them is in front. Installing replaces the menus and writes which menus there were before and
// after.
class MainMenu : public QObject
{
    Q_OBJECT

public:
    enum class InstallReason { launch, settingsWindowOpened, settingsWindowBecameFrontmost };

    struct Commands
    {
        std::function<void()> openSettings;
        std::function<void()> quit;
    };

    explicit MainMenu(Commands commands, QObject *parent = nullptr);
    ~MainMenu() override;

    // Builds new menus, attaches them to every window given to attachTo, and logs the titles
    // before and after.
    void install(InstallReason reason);
    // The window gets the present menus' shortcuts now and after every install.
    void attachTo(QWidget *window);

    // The titles of the present menus, in order; empty before the first install.
    QStringList titles() const;
    const std::vector<std::unique_ptr<QMenu>> &menus() const { return m_menus; }
    const Commands &commands() const { return m_commands; }

private:
    std::vector<std::unique_ptr<QMenu>> build() const;
    void attachActions(QWidget *window) const;

    Commands m_commands;
    std::vector<std::unique_ptr<QMenu>> m_menus;
    QList<QPointer<QWidget>> m_windows;
};

} // namespace qm
