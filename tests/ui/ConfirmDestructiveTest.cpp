#include "ui/ConfirmDestructive.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qm;

namespace {

// Shows the confirmation and, once it is up, lets `answer` act on it as the user would.
bool askAndAnswer(const std::function<void(QMessageBox *)> &answer)
{
    QTimer::singleShot(0, [answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        answer(box);
    });
    return confirmDestructive(QStringLiteral("Move “Caches” to the Trash?"),
                              QStringLiteral("~/.cache (1.2 GB) will be moved to the Trash."),
                              QStringLiteral("Move to Trash"));
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
    EXPECT_TRUE(askAndAnswer([](QMessageBox *box) {
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
    }));
    EXPECT_FALSE(askAndAnswer([](QMessageBox *box) {
        QPushButton *cancel = buttonTitled(box, QStringLiteral("Cancel"));
        ASSERT_NE(cancel, nullptr);
        cancel->click();
    }));
}

TEST(ConfirmDestructiveTest, ReturnAndEscapeCancel)
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(askAndAnswer([key](QMessageBox *box) { QTest::keyClick(box, key); }));
    }
}
