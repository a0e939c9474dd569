#include "ui/controls/ConfirmDestructive.h"
#include "ui/controls/ConfirmSheet.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace qm;

namespace {

// Shows the confirmation and, once it is up, lets `answer` act on it as the user would; gives
// what the question answered (nothing when it never answered).
std::optional<bool> askAndAnswer(const std::function<void(QMessageBox *)> &answer)
{
    std::optional<bool> confirmed;
    confirmDestructive(QStringLiteral("Move “Caches” to the Trash?"),
                       QStringLiteral("~/.cache (1.2 GB) will be moved to the Trash."),
                       QStringLiteral("Move to Trash"),
                       nullptr,
                       [&confirmed](bool yes) {
                           EXPECT_FALSE(confirmed.has_value()) << "answered twice";
                           confirmed = yes;
                       });
    // The question does not block: it returns before the user has answered.
    EXPECT_FALSE(confirmed.has_value());
    QMessageBox *box = nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        return box != nullptr;
    }));
    if (!box)
        return confirmed;
    answer(box);
    EXPECT_TRUE(QTest::qWaitFor([&] { return confirmed.has_value(); }));
    return confirmed;
}

QPushButton *buttonTitled(QMessageBox *box, const QString &title)
{
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == title)
            return qobject_cast<QPushButton *>(button);
    }
    return nullptr;
}

} // namespace

TEST(ConfirmDestructiveTest, OnlyTheDestructiveButtonConfirms)
{
    EXPECT_EQ(askAndAnswer([](QMessageBox *box) {
                  EXPECT_EQ(box->text(), QStringLiteral("Move “Caches” to the Trash?"));
                  EXPECT_EQ(box->informativeText(),
                            QStringLiteral("~/.cache (1.2 GB) will be moved to the Trash."));
                  EXPECT_EQ(box->icon(), QMessageBox::Warning);
                  QPushButton *move = buttonTitled(box, QStringLiteral("Move to Trash"));
                  ASSERT_NE(move, nullptr);
                  EXPECT_EQ(box->buttonRole(move), QMessageBox::DestructiveRole);
                  // A look at the question (QUILLMERE_SCREENSHOT_DIR set).
                  const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR");
                  if (!folder.isEmpty() && QDir().mkpath(folder))
                      box->grab().save(QDir(folder).filePath(QStringLiteral("confirm-trash.png")));
                  move->click();
              }),
              std::optional(true));
    EXPECT_EQ(askAndAnswer([](QMessageBox *box) {
                  QPushButton *cancel = buttonTitled(box, QStringLiteral("Cancel"));
                  ASSERT_NE(cancel, nullptr);
                  cancel->click();
              }),
              std::optional(false));
}

TEST(ConfirmDestructiveTest, ReturnAndEscapeCancel)
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(askAndAnswer([key](QMessageBox *box) { QTest::keyClick(box, key); }),
                  std::optional(false));
    }
}

// A popup closes as soon as another window takes the focus: a question asked from the tray's
// popover is a sheet inside it, and the popover stays open under it.
TEST(ConfirmDestructiveTest, AQuestionFromAPopupIsASheetInsideIt)
{
    struct Case
    {
        const char *name;
        std::function<void(ConfirmSheet *)> act;
        std::optional<bool> answer;
        bool popupStaysOpen;
    };
    const Case cases[] = {
        {"destructive button",
         [](ConfirmSheet *sheet) { sheet->destructiveButton()->click(); },
         true,
         true},
        {"cancel button", [](ConfirmSheet *sheet) { sheet->cancelButton()->click(); }, false, true},
        {"Escape cancels and leaves the popup open",
         [](ConfirmSheet *sheet) { QTest::keyClick(sheet->cancelButton(), Qt::Key_Escape); },
         false,
         true},
        {"Return cancels",
         [](ConfirmSheet *sheet) { QTest::keyClick(sheet, Qt::Key_Return); },
         false,
         true},
        {"the popup closes under the question",
         [](ConfirmSheet *sheet) { sheet->window()->close(); },
         false,
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto *popup = new QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint);
        popup->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<QWidget> popupAlive(popup);
        auto *content = new QLabel(QStringLiteral("content"), popup);
        popup->resize(360, 400);
        popup->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));

        std::optional<bool> answered;
        int answers = 0;
        confirmDestructive(QStringLiteral("Move “<h1>pip” to the Trash?"),
                           QStringLiteral("~/.cache/pip will be moved to the Trash."),
                           QStringLiteral("Move to Trash"),
                           content,
                           [&](bool yes) {
                               ++answers;
                               answered = yes;
                           });
        auto *sheet = popup->findChild<ConfirmSheet *>();
        ASSERT_NE(sheet, nullptr);
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(sheet->geometry(), popup->rect());
        // No window of its own: nothing else is shown beside the popup.
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        const auto *title = sheet->findChild<QLabel *>(QStringLiteral("confirmSheetTitle"));
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->textFormat(), Qt::PlainText);
        EXPECT_FALSE(answered.has_value());

        c.act(sheet);
        EXPECT_TRUE(QTest::qWaitFor([&] { return answered.has_value(); }));
        EXPECT_EQ(answered, c.answer);
        EXPECT_EQ(popupAlive && popup->isVisible(), c.popupStaysOpen);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !popupAlive || !popup->findChild<ConfirmSheet *>(); }));
        EXPECT_EQ(answers, 1);
        if (popupAlive)
            popup->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !popupAlive; }));
    }
}
