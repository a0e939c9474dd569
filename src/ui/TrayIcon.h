#pragma once

#include <QIcon>
#include <QObject>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace qm {

class AppModel;

// The program's item in the system tray: a small gauge of the startup volume, the free space
// in the compact form as its tooltip, and a context menu with the program's commands.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(AppModel &model, QObject *parent = nullptr);
    ~TrayIcon() override;

    void show();

    // The tooltip text for the model's latest reading ("—" before the first one).
    QString toolTip() const;
    QIcon icon() const;
    QMenu *contextMenu() const;

    // The gauge drawn into a square icon of `size` pixels; `usedFraction` in 0...1, absent
    // before the first reading.
    static QImage gaugeImage(std::optional<double> usedFraction, int size);

Q_SIGNALS:
    void quitRequested();

private:
    void update();

    AppModel &m_model;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon *m_tray = nullptr;
};

} // namespace qm
