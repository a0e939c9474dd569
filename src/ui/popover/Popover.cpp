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
#include <QTimer>
#include <QVBoxLayout>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qm {

namespace {
constexpr int reopenGuardMs = 300;
constexpr qreal cornerRadius = 10;

// Hands the free pages at the top and inside of the heap back to the system; glibc keeps them
// for reuse otherwise, and the program sits idle for hours between two openings.
void returnFreedHeap()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
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

void Popover::releaseWhileClosed()
{
    if (isVisible() || m_content)
        return;
    destroy();
    returnFreedHeap();
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
        // Once the content is gone, so are the window's pixels (its backing store, 1 MB at
        // scale 1 and 4 MB at scale 2) and the heap it used; the next opening creates the
        // window again.
        connect(m_content, &QObject::destroyed, this, [this] {
            QTimer::singleShot(0, this, &Popover::releaseWhileClosed);
        });
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
