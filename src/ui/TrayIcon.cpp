#include "ui/TrayIcon.h"

#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "units/SizeText.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSystemTrayIcon>

#include <algorithm>

namespace qm {

TrayIcon::TrayIcon(AppModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_menu(std::make_unique<QMenu>())
    , m_tray(new QSystemTrayIcon(this))
{
    QAction *quit = m_menu->addAction(QCoreApplication::translate("MainMenu", "Quit Quillmere"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &TrayIcon::quitRequested);
    m_tray->setContextMenu(m_menu.get());
    connect(&m_model.monitor(), &DiskSpaceMonitor::spaceChanged, this, &TrayIcon::update);
    connect(&m_model, &AppModel::settingsChanged, this, &TrayIcon::update);
    update();
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::show()
{
    m_tray->show();
}

QString TrayIcon::toolTip() const
{
    const std::optional<DiskSpace> space = m_model.monitor().space();
    if (!space.has_value())
        return QStringLiteral("—");
    const Settings &settings = m_model.settings();
    return compactSizeText(space->free, int(settings.decimalDigits), settings.unit).text;
}

QIcon TrayIcon::icon() const
{
    std::optional<double> used;
    if (const std::optional<DiskSpace> space = m_model.monitor().space(); space && space->total > 0)
        used = std::clamp(1.0 - double(space->free) / double(space->total), 0.0, 1.0);
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(gaugeImage(used, size)));
    return icon;
}

QMenu *TrayIcon::contextMenu() const
{
    return m_menu.get();
}

QImage TrayIcon::gaugeImage(std::optional<double> usedFraction, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // A vertical bar like a storage cylinder: the frame, then the used part from the bottom.
    const qreal margin = size * 0.16;
    const QRectF frame(margin, size * 0.08, size - 2 * margin, size * 0.84);
    const qreal radius = size * 0.12;
    painter.setPen(QPen(QColor(0x8a, 0x8f, 0x98), std::max(1.0, size / 16.0)));
    painter.setBrush(QColor(255, 255, 255, 40));
    painter.drawRoundedRect(frame, radius, radius);
    if (usedFraction.has_value()) {
        const QRectF inner = frame.adjusted(size / 10.0, size / 10.0, -size / 10.0, -size / 10.0);
        const qreal height = inner.height() * *usedFraction;
        QPainterPath clip;
        clip.addRoundedRect(inner, radius / 2, radius / 2);
        painter.setClipPath(clip);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x3d, 0x8b, 0xd8));
        painter.drawRect(QRectF(inner.left(), inner.bottom() - height, inner.width(), height));
    }
    return image;
}

void TrayIcon::update()
{
    m_tray->setToolTip(toolTip());
    m_tray->setIcon(icon());
}

} // namespace qm
