#pragma once

#include <QString>

class QWidget;

namespace qm {

// Asks before something is moved to the Trash: a warning with `title` as its text and `message`
// below it, "Cancel" first and the default (Return cancels), then `buttonTitle` marked as the
// destructive choice. Escape cancels too. Runs modally on the main thread; true only when the
// user chose `buttonTitle`.
bool confirmDestructive(const QString &title,
                        const QString &message,
                        const QString &buttonTitle,
                        QWidget *parent = nullptr);

} // namespace qm
