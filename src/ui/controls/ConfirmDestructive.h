#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace qm {

// Receives the user's answer to a question: true only when the user chose the destructive button.
using ConfirmAnswer = std::function<void(bool confirmed)>;

// Asks before something is moved to the Trash: a warning with `title` as its text and `message`
// below it, "Cancel" first and the default (Return cancels), then `buttonTitle` marked as the
// destructive choice. Escape cancels too.
//
// The question never runs a nested event loop: the function returns at once and `answer` is
// called later, exactly once (with false when the question goes away unanswered). A question
// asked from a popup (the tray popover) is shown inside it, as a sheet over its content: a
// window of its own would take the focus and so close the popup under the question. Elsewhere it
// is a message box, modal to `parent`'s window (to the whole program without a parent).
void confirmDestructive(const QString &title,
                        const QString &message,
                        const QString &buttonTitle,
                        QWidget *parent,
                        ConfirmAnswer answer);

} // namespace qm
