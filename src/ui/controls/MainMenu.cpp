#include "ui/controls/MainMenu.h"

#include "platform/Log.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QWidget>

namespace qm {

namespace {

// Sends an editing command to the focused widget, which has it as a slot if it can do it.
void sendToFocus(const char *slot)
{
    if (QWidget *focus = QApplication::focusWidget()) {
        if (focus->metaObject()->indexOfSlot(QMetaObject::normalizedSignature(slot).constData())
            >= 0) {
            const QByteArray name(slot, qsizetype(qstrlen(slot)) - 2);
            QMetaObject::invokeMethod(focus, name.constData());
        }
    }
}

QString reasonText(MainMenu::InstallReason reason)
{
    switch (reason) {
    case MainMenu::InstallReason::launch:
        return QStringLiteral("起動");
    case MainMenu::InstallReason::settingsWindowOpened:
        return QStringLiteral("設定ウィンドウを開いた");
    case MainMenu::InstallReason::settingsWindowBecameFrontmost:
        break;
    }
    return QStringLiteral("設定ウィンドウが前面");
}

} // namespace

MainMenu::MainMenu(Commands commands, QObject *parent)
    : QObject(parent)
    , m_commands(std::move(commands))
{}

MainMenu::~MainMenu() = default;

std::vector<std::unique_ptr<QMenu>> MainMenu::build() const
{
    std::vector<std::unique_ptr<QMenu>> menus;
    const auto command = [](QMenu *menu, const QString &title, const QKeySequence &keys, auto run) {
        QAction *action = menu->addAction(title);
        action->setShortcut(keys);
        QObject::connect(action, &QAction::triggered, menu, run);
        return action;
    };

    auto app = std::make_unique<QMenu>(QStringLiteral("Quillmere"));
    const Commands commands = m_commands;
    command(app.get(), tr("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), [commands] {
        if (commands.openSettings)
            commands.openSettings();
    });
    app->addSeparator();
    command(app.get(), tr("Quit Quillmere"), QKeySequence(Qt::CTRL | Qt::Key_Q), [commands] {
        if (commands.quit)
            commands.quit();
    });
    menus.push_back(std::move(app));

    auto edit = std::make_unique<QMenu>(tr("Edit"));
    command(
        edit.get(), tr("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), [] { sendToFocus("undo()"); });
    command(edit.get(), tr("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [] {
        sendToFocus("redo()");
    });
    edit->addSeparator();
    command(
        edit.get(), tr("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), [] { sendToFocus("cut()"); });
    command(
        edit.get(), tr("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), [] { sendToFocus("copy()"); });
    command(edit.get(), tr("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), [] {
        sendToFocus("paste()");
    });
    command(edit.get(), tr("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A), [] {
        sendToFocus("selectAll()");
    });
    menus.push_back(std::move(edit));

    auto window = std::make_unique<QMenu>(tr("Window"));
    command(window.get(), tr("Close"), QKeySequence(Qt::CTRL | Qt::Key_W), [] {
        if (QWidget *active = QApplication::activeWindow())
            active->close();
    });
    menus.push_back(std::move(window));
    return menus;
}

QStringList MainMenu::titles() const
{
    QStringList titles;
    for (const auto &menu : m_menus)
        titles.append(menu->title());
    return titles;
}

void MainMenu::install(InstallReason reason)
{
    const QStringList before = titles();
    m_menus = build();
    m_windows.removeAll(nullptr);
    for (const QPointer<QWidget> &window : std::as_const(m_windows))
        attachActions(window);
    log::logDefault(log::mainMenu,
                    QStringLiteral("メインメニューを設定(%1): 前 [%2] → 後 [%3]")
                        .arg(reasonText(reason),
                             before.join(QStringLiteral(", ")),
                             titles().join(QStringLiteral(", "))));
}

void MainMenu::attachTo(QWidget *window)
{
    if (!window || m_windows.contains(window))
        return;
    m_windows.append(window);
    attachActions(window);
}

void MainMenu::attachActions(QWidget *window) const
{
    // The actions of replaced menus went with them.
    for (const auto &menu : m_menus) {
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator())
                window->addAction(action);
        }
    }
}

} // namespace qm
