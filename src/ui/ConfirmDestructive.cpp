#include "ui/ConfirmDestructive.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace qm {

bool confirmDestructive(const QString &title,
                        const QString &message,
                        const QString &buttonTitle,
                        QWidget *parent)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setText(title);
    box.setInformativeText(message);
    // Both texts name folders from the disk: a folder called "<h1>…" must not become markup.
    box.setTextFormat(Qt::PlainText);
    if (auto *informative = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    QPushButton *cancel
        = box.addButton(QCoreApplication::translate("Cleanup", "Cancel"), QMessageBox::RejectRole);
    QPushButton *destructive = box.addButton(buttonTitle, QMessageBox::DestructiveRole);
    // Return answers the default button, so it cancels; Escape answers the escape button.
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    destructive->setAutoDefault(false);
    // The program lives in the tray: bring the question to the front.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.raise();
    box.activateWindow();
    box.exec();
    return box.clickedButton() == destructive;
}

} // namespace qm
