#include "ui/ElidedLabel.h"
#include "units/NameText.h"

#include <QLabel>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace qm;

namespace {

// Names users and programs really give folders: markup, a line break, a tab, a right-to-left
// override that makes "gnp.exe" read "exe.png".
const QString hostileNames[] = {
    QStringLiteral("<h1>Huge heading"),
    QStringLiteral("<font color=red>red text"),
    QStringLiteral("line one\nline two"),
    QStringLiteral("tab\tname"),
    QStringLiteral("\u202Egnp.exe"),
    QStringLiteral("Backup & Photos"),
};

bool hasRawControlOrOverride(const QString &text)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || (c >= 0x202A && c <= 0x202E))
            return true;
    }
    return false;
}

// What a tooltip shows: Qt reads it as rich text when it looks like markup.
QString shownToolTip(const QString &toolTip)
{
    if (!Qt::mightBeRichText(toolTip))
        return toolTip;
    QTextDocument document;
    document.setHtml(toolTip);
    return document.toPlainText();
}

} // namespace

TEST(HostileNamesTest, ElidedLabelsShowNamesVisiblyOnOneLine)
{
    for (const QString &name : hostileNames) {
        SCOPED_TRACE(name.toStdString());
        ElidedLabel label(name, Qt::ElideMiddle);
        label.resize(label.sizeHint());
        EXPECT_EQ(label.text(), name);
        // With room to spare nothing is elided, and nothing is obeyed.
        EXPECT_EQ(label.shownText(), visibleName(name));
        EXPECT_FALSE(hasRawControlOrOverride(label.shownText()));
        EXPECT_FALSE(hasRawControlOrOverride(label.accessibleName()));
        EXPECT_EQ(label.sizeHint().height(), label.fontMetrics().height());
    }
}

TEST(HostileNamesTest, ToolTipsShowMarkupLiterally)
{
    for (const QString &name : hostileNames) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(shownToolTip(literalToolTip(name)), visibleName(name));
    }
}
