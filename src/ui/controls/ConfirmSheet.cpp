#include "ui/controls/ConfirmSheet.h"

#include "ui/controls/CaptionText.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

namespace {
constexpr int cardMargin = 16;
constexpr qreal cardRadius = 8;
constexpr int cardPreferredWidth = 320;
} // namespace

ConfirmSheet::ConfirmSheet(const QString &title,
                           const QString &message,
                           const QString &buttonTitle,
                           QWidget *window,
                           ConfirmAnswer answer)
    : QWidget(window)
    , m_answer(std::move(answer))
{
    setObjectName(QStringLiteral("confirmSheet"));
    setAccessibleName(title);
    setAttribute(Qt::WA_DeleteOnClose);

    m_card = new QWidget(this);
    m_card->setObjectName(QStringLiteral("confirmSheetCard"));
    auto *card = new QVBoxLayout(m_card);
    card->setContentsMargins(cardMargin, cardMargin, cardMargin, cardMargin);
    card->setSpacing(8);

    auto *titleLabel = new QLabel(title, m_card);
    titleLabel->setObjectName(QStringLiteral("confirmSheetTitle"));
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setWordWrap(true);
    QFont titleFont = titleLabel->font();
    titleFont.setWeight(QFont::DemiBold);
    titleLabel->setFont(titleFont);
    card->addWidget(titleLabel);

    QLabel *messageLabel = captionLabel(message, TextTone::primary, m_card);
    messageLabel->setObjectName(QStringLiteral("confirmSheetMessage"));
    messageLabel->setTextFormat(Qt::PlainText);
    card->addWidget(messageLabel);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel = new QPushButton(QCoreApplication::translate("Cleanup", "Cancel"), m_card);
    m_cancel->setObjectName(QStringLiteral("confirmSheetCancel"));
    m_cancel->setDefault(true);
    m_destructive = new QPushButton(buttonTitle, m_card);
    m_destructive->setObjectName(QStringLiteral("confirmSheetConfirm"));
    m_destructive->setAutoDefault(false);
    QPalette destructive = m_destructive->palette();
    destructive.setColor(QPalette::ButtonText, toneColor(TextTone::red, this));
    m_destructive->setPalette(destructive);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_destructive);
    card->addLayout(buttons);

    // Answered once the click has been handled, so nothing is removed under the pressed button.
    connect(m_cancel, &QPushButton::clicked, this, [this] { finish(false); });
    connect(m_destructive, &QPushButton::clicked, this, [this] { finish(true); });

    window->installEventFilter(this);
    setGeometry(window->rect());
    layoutCard();
    raise();
    show();
    m_cancel->setFocus(Qt::OtherFocusReason);
}

ConfirmSheet::~ConfirmSheet()
{
    // Closed with its window: the question went unanswered.
    if (m_answer) {
        ConfirmAnswer answer = std::move(m_answer);
        m_answer = nullptr;
        answer(false);
    }
}

void ConfirmSheet::finish(bool confirmed)
{
    if (!m_answer)
        return;
    ConfirmAnswer answer = std::move(m_answer);
    m_answer = nullptr;
    hide();
    deleteLater();
    answer(confirmed);
}

bool ConfirmSheet::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void ConfirmSheet::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        // The question takes Escape before the window does: it cancels, the window stays.
        event->accept();
        finish(false);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_destructive->hasFocus()) {
            event->accept();
            finish(false);
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void ConfirmSheet::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutCard();
}

void ConfirmSheet::layoutCard()
{
    // The card stands in the middle of the window, as wide as its content wants within it.
    const int cardWidth = qMax(0, qMin(width() - 2 * cardMargin, cardPreferredWidth));
    const int wanted = m_card->hasHeightForWidth() ? m_card->heightForWidth(cardWidth)
                                                   : m_card->sizeHint().height();
    const int cardHeight = qMax(0, qMin(wanted, height() - 2 * cardMargin));
    m_card->setGeometry((width() - cardWidth) / 2,
                        qMax(cardMargin, (height() - cardHeight) / 2),
                        cardWidth,
                        cardHeight);
}

void ConfirmSheet::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor backdrop = palette().color(QPalette::Window);
    backdrop.setAlphaF(0.85f);
    painter.fillRect(rect(), backdrop);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.25f);
    painter.setPen(QPen(border, 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawRoundedRect(
        QRectF(m_card->geometry()).adjusted(0.5, 0.5, -0.5, -0.5), cardRadius, cardRadius);
}

} // namespace qm
