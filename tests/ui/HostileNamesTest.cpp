// Names from the disk drawn through the real rows: markup stays text, control and bidi
// characters are visible symbols, and a row stays one line.

#include "cleanup/CleanupItem.h"
#include "cleanup/Trasher.h"
#include "freespace/ExternalVolume.h"
#include "platform/AppDisplayNames.h"
#include "ui/cleanup/CleanupSafeRow.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/growth/ChildGrowthList.h"
#include "ui/growth/GrowthRow.h"
#include "ui/popover/ExternalVolumeList.h"
#include "units/NameText.h"

#include "ui/ScreenFixture.h"

#include <QLabel>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace qm;
using namespace qm::test;

namespace {

// A character that must never reach the screen as it is: a control character (it breaks or
// stretches a line) or a bidi formatting character other than the first-strong isolates that
// wrap a name (a right-to-left override before "gnp.exe" makes it read "exe.png").
bool isRaw(QChar c)
{
    const char16_t u = c.unicode();
    if (c.category() == QChar::Other_Control)
        return true;
    return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) || u == 0x2066
           || u == 0x2067;
}

// What a person sees of a text: raw characters and unbalanced isolates are faults.
::testing::AssertionResult showsSafely(const QString &text)
{
    for (const QChar c : text) {
        if (isRaw(c))
            return ::testing::AssertionFailure()
                   << "U+" << QString::number(c.unicode(), 16).toStdString() << " shown raw in \""
                   << text.toStdString() << '"';
    }
    if (text.count(QChar(0x2068)) != text.count(QChar(0x2069)))
        return ::testing::AssertionFailure()
               << "unbalanced isolate in \"" << text.toStdString() << '"';
    return ::testing::AssertionSuccess();
}

// The text a tool tip draws: Qt renders it as rich text when it looks like markup.
QString drawnToolTip(const QString &toolTip)
{
    QTextDocument document;
    if (Qt::mightBeRichText(toolTip))
        document.setHtml(toolTip);
    else
        document.setPlainText(toolTip);
    return document.toPlainText();
}

struct HostileName
{
    const char *row;
    QString name;
    QString mustShow; // the part that must appear, drawn as written
};

const QList<HostileName> &hostileNames()
{
    static const QList<HostileName> names{
        {"heading_markup", QStringLiteral("<h1>Huge heading"), QStringLiteral("<h1>Huge heading")},
        {"font_markup",
         QStringLiteral("<font color=red>red text"),
         QStringLiteral("<font color=red>red text")},
        {"line_break", QStringLiteral("first\nsecond"), QStringLiteral("second")},
        {"tab", QStringLiteral("tab\tname"), QStringLiteral("name")},
        {"right_to_left_override", QStringLiteral("\u202Egnp.exe"), QStringLiteral("gnp.exe")},
        {"bell_and_delete", QStringLiteral("a\u0007b\u007Fc"), QStringLiteral("c")},
        {"left_to_right_mark", QStringLiteral("mark\u200E\u2067end"), QStringLiteral("end")},
    };
    return names;
}

// Each kind of row that shows a name from the disk, built for one name.
struct RowKind
{
    const char *kind;
    std::function<std::unique_ptr<QWidget>(const QString &name)> build;
};

} // namespace

TEST(HostileNamesTest, RowsShowNamesAsVisiblePlainSingleLines)
{
    RevealRecorder revealer;
    AppDisplayNames displayNames{[](const QString &) {
        return std::optional<QString>{};
    }};
    const QString home = QStringLiteral("/home/someone");
    const QList<RowKind> kinds{
        {"growth row",
         [&](const QString &name) {
             DeltaItem item;
             item.path = QStringLiteral("~/") + name;
             item.currentSize = 5 * MB;
             item.delta = MB;
             return std::make_unique<GrowthRow>(item, ByteUnit::GB, false, home, revealer);
         }},
        {"child growth row",
         [&](const QString &name) {
             ChildDelta child;
             child.name = name;
             child.currentSize = 5 * MB;
             child.delta = MB;
             return std::make_unique<ChildGrowthList>(ChildDeltaReport::listing({child}),
                                                      ByteUnit::GB,
                                                      home + QStringLiteral("/Downloads"),
                                                      displayNames,
                                                      revealer);
         }},
        {"cleanup row",
         [&](const QString &name) {
             CleanupItem item;
             item.path = QStringLiteral("~/.cache/") + name;
             item.kind = CleanupTarget::Kind::folder();
             item.reason = QStringLiteral("Cache");
             item.size = 3 * MB;
             return std::make_unique<CleanupSafeRow>(item, ByteUnit::GB, false, home);
         }},
        {"volume line",
         [&](const QString &name) {
             auto list = std::make_unique<ExternalVolumeList>();
             ExternalVolume volume;
             volume.mountPath = QStringLiteral("/media/x");
             volume.name = name;
             volume.space = qm::DiskSpace{10 * MB, 100 * MB, 0};
             list->setVolumes({volume}, ByteUnit::GB);
             return list;
         }},
    };

    for (const RowKind &kind : kinds) {
        for (const HostileName &hostile : hostileNames()) {
            SCOPED_TRACE(std::string(kind.kind) + " / " + hostile.row);
            std::unique_ptr<QWidget> row = kind.build(hostile.name);
            row->resize(600, row->sizeHint().height());
            row->show();

            const QList<ElidedLabel *> texts = row->findChildren<ElidedLabel *>();
            ASSERT_FALSE(texts.isEmpty());
            bool nameShown = false;
            for (const ElidedLabel *text : texts) {
                EXPECT_TRUE(showsSafely(text->shownText()));
                EXPECT_TRUE(showsSafely(text->accessibleName()));
                // Room to spare: nothing is elided, so the whole visible name is there.
                EXPECT_FALSE(text->shownText().contains(QStringLiteral("…")))
                    << text->shownText().toStdString();
                EXPECT_EQ(text->sizeHint().height(), text->fontMetrics().height());
                // No symbol beyond those that stand for the name's own characters.
                EXPECT_LE(text->shownText().count(QChar(0xFFFD)),
                          visibleName(hostile.name).count(QChar(0xFFFD)))
                    << text->shownText().toStdString();
                nameShown = nameShown || text->shownText().contains(hostile.mustShow);
            }
            EXPECT_TRUE(nameShown);

            for (const QLabel *label : row->findChildren<QLabel *>()) {
                if (label->text().contains(hostile.mustShow)) {
                    EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
                }
            }
            QList<QWidget *> widgets = row->findChildren<QWidget *>();
            widgets.append(row.get());
            for (const QWidget *widget : std::as_const(widgets)) {
                EXPECT_TRUE(showsSafely(widget->accessibleName()));
                if (widget->toolTip().isEmpty())
                    continue;
                const QString drawn = drawnToolTip(widget->toolTip());
                EXPECT_TRUE(showsSafely(drawn));
                if (widget->toolTip().contains(hostile.mustShow.toHtmlEscaped())
                    || widget->toolTip().contains(hostile.mustShow)) {
                    EXPECT_TRUE(drawn.contains(hostile.mustShow)) << drawn.toStdString();
                }
            }
        }
    }
}

TEST(HostileNamesTest, TrashConfirmationShowsNamesVisibly)
{
    for (const HostileName &hostile : hostileNames()) {
        SCOPED_TRACE(hostile.row);
        const QString path = QStringLiteral("~/.cache/") + hostile.name;
        for (const CleanupTarget::Kind &kind :
             {CleanupTarget::Kind::folder(), CleanupTarget::Kind::folderContents()}) {
            const QString title = trashConfirmationTitle(path, kind);
            const QString message
                = trashConfirmationMessage(path, kind, 3 * MB, 2, std::nullopt, ByteUnit::GB);
            EXPECT_TRUE(showsSafely(title));
            EXPECT_TRUE(showsSafely(message));
            EXPECT_TRUE(title.contains(hostile.mustShow));
            EXPECT_TRUE(message.contains(hostile.mustShow));
        }
    }
}

namespace {

// Names users and programs really give folders: markup, a line break, a tab, a right-to-left
// override that makes "gnp.exe" read "exe.png".
const QString awkwardNames[] = {
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

} // namespace

TEST(HostileNamesTest, ElidedLabelsShowNamesVisiblyOnOneLine)
{
    for (const QString &name : awkwardNames) {
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
    for (const QString &name : awkwardNames) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(drawnToolTip(literalToolTip(name)), visibleName(name));
    }
}
