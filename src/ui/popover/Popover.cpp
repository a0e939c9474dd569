#include "ui/popover/Popover.h"

#include "model/AppModel.h"
#include "ui/popover/PopoverContent.h"
#include "ui/popover/PopoverLayout.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QScreen>
#include <QVBoxLayout>

namespace qm {

namespace {
constexpr int reopenGuardMs = 300;
constexpr qreal cornerRadius = 10;
} // namespace

Popover::Popover(AppModel &model, QWidget *parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_model(model)
{
    setObjectName(QStringLiteral("Popover"));
    setAttribute(Qt::WA_TranslucentBackground);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

Popover::~Popover() = default;

PopoverContent *Popover::content() const
{
    return m_content;
}

bool Popover::justClosed() const
{
    return m_closedAt.isValid() && m_closedAt.elapsed() < reopenGuardMs;
}

void Popover::openAt(const QRect &itemGeometry)
{
    m_itemGeometry = itemGeometry;
    m_cursor = QCursor::pos();
    if (!m_content) {
        m_content = new PopoverContent(m_model, PopoverPlacement::menuBarPanel, this);
        layout()->addWidget(m_content);
        connect(m_content, &PopoverContent::settingsRequested, this, &Popover::settingsRequested);
        connect(m_content,
                &PopoverContent::openInWindowRequested,
                this,
                &Popover::openInWindowRequested);
        connect(m_content, &PopoverContent::quitRequested, this, &Popover::quitRequested);
        connect(m_content, &PopoverContent::preferredSizeChanged, this, [this] {
            if (isVisible()) {
                adjustSize();
                place();
            }
        });
    }
    m_model.popoverOpened();
    adjustSize();
    place();
    show();
    activateWindow();
}

void Popover::place()
{
    const QPoint anchor = m_itemGeometry.isValid() ? m_itemGeometry.center() : m_cursor;
    QScreen *screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    move(popoverPosition(size(), m_itemGeometry, m_cursor, screen->availableGeometry()));
    // The height left under the panel depends on where it now stands.
    if (m_content && isVisible())
        m_content->measureWindow();
}

void Popover::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.2f);
    painter.setPen(QPen(border, 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawRoundedRect(
        QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
}

void Popover::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Popover::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_closedAt.start();
    // The content exists only while the panel is open.
    if (m_content) {
        layout()->removeWidget(m_content);
        m_content->hide();
        m_content->deleteLater();
        m_content.clear();
        // The style keeps pictures of the content's buttons keyed by their palettes, which are
        // new with each opening, so they would pile up to the cache's limit (10 MB) over a day of
        // openings; none of them is drawn again.
        QPixmapCache::clear();
    }
    m_model.popoverClosed();
}

} // namespace qm
