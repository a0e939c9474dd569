#include "ui/controls/ConfirmDestructive.h"

#include "ui/controls/ConfirmSheet.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace qm {

void confirmDestructive(const QString &title,
                        const QString &message,
                        const QString &buttonTitle,
                        QWidget *parent,
                        ConfirmAnswer answer)
{
    QWidget *window = parent ? parent->window() : nullptr;
    if (window && window->windowType() == Qt::Popup) {
        new ConfirmSheet(title, message, buttonTitle, window, std::move(answer));
        return;
    }

    auto *box = new QMessageBox(window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setTextFormat(Qt::PlainText);
    box->setText(title);
    box->setInformativeText(message);
    // Names in the texts are the user's: a folder may be called "<h1>".
    if (auto *informative = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    QPushButton *cancel
        = box->addButton(QCoreApplication::translate("Cleanup", "Cancel"), QMessageBox::RejectRole);
    QPushButton *destructive = box->addButton(buttonTitle, QMessageBox::DestructiveRole);
    // Return answers the default button, so it cancels; Escape answers the escape button.
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    destructive->setAutoDefault(false);
    // The program lives in the tray: bring the question to the front.
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    // Answered once: when the box finishes, or with false when it goes with its window.
    auto pending = std::make_shared<ConfirmAnswer>(std::move(answer));
    const auto reply = [pending](bool confirmed) {
        if (!*pending)
            return;
        const ConfirmAnswer answerNow = std::move(*pending);
        *pending = nullptr;
        answerNow(confirmed);
    };
    QObject::connect(box, &QMessageBox::finished, box, [box, destructive, reply] {
        reply(box->clickedButton() == destructive);
    });
    QObject::connect(box, &QObject::destroyed, [reply] { reply(false); });
    box->open();
    box->raise();
    box->activateWindow();
}

} // namespace qm
