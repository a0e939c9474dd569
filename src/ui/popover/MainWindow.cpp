#include "ui/popover/MainWindow.h"

#include "model/AppModel.h"
#include "ui/popover/PopoverContent.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace qm {

MainWindow::MainWindow(AppModel &model, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::WindowMinimizeButtonHint)
    , m_model(model)
    , m_content(new PopoverContent(model, PopoverPlacement::window, this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quillmere"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_content);
}

void MainWindow::present()
{
    if (!m_placed) {
        adjustSize();
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        m_placed = true;
    }
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_model.popoverOpened(AppModel::VolumeHost::mainWindow);
}

void MainWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_model.popoverClosed(AppModel::VolumeHost::mainWindow);
}

} // namespace qm
