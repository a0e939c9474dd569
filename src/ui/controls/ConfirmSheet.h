#pragma once

#include "ui/controls/ConfirmDestructive.h"

#include <QWidget>

class QPushButton;

namespace qm {

// A destructive question shown inside a window rather than as a window of its own: it covers the
// window's content with a dimmed backdrop and a card holding the title, the message, "Cancel"
// (the default: Return and Escape choose it) and the destructive button. It answers once, then
// removes itself; a sheet destroyed unanswered (its window closed) answers false.
class ConfirmSheet : public QWidget
{
    Q_OBJECT

public:
    ConfirmSheet(const QString &title,
                 const QString &message,
                 const QString &buttonTitle,
                 QWidget *window,
                 ConfirmAnswer answer);
    ~ConfirmSheet() override;

    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *destructiveButton() const { return m_destructive; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void finish(bool confirmed);
    void layoutCard();

    ConfirmAnswer m_answer;
    QWidget *m_card = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_destructive = nullptr;
};

} // namespace qm
