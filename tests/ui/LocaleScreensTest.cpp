#include "growth/GrowthSummary.h"
#include "platform/AppDisplayNames.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/growth/FreeSpaceChart.h"
#include "ui/growth/GrowthTab.h"
#include "ui/popover/PopoverContent.h"
#include "ui/settings/MenuBarSettingsForm.h"
#include "ui/settings/NotificationSettingsForm.h"
#include "units/NameText.h"

#include "support/SentenceTranslation.h"
#include "ui/ScreenFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGlyphRun>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTextLayout>

using namespace qm;
using namespace qm::test;

namespace {

// The default locale for as long as it lives: the locale the screens write in.
class DefaultLocale
{
public:
    explicit DefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(m_saved); }
    DefaultLocale(const DefaultLocale &) = delete;
    DefaultLocale &operator=(const DefaultLocale &) = delete;

private:
    QLocale m_saved;
};

// Where the characters [from, from + length) of a label's text are drawn, left and right edge,
// laid out as the label lays out its text: its font, its layout direction.
struct Extent
{
    qreal left = 0;
    qreal right = 0;
};

Extent drawnExtent(QTextLayout &layout, qsizetype from, qsizetype length)
{
    QRectF box;
    for (const QGlyphRun &run : layout.glyphRuns(int(from), int(length)))
        box = box.united(run.boundingRect());
    return {box.left(), box.right()};
}

// A picture of the widget for a person to look at, under the build folder.
bool renderPicture(QWidget &widget, const QString &name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screens");
    QDir().mkpath(folder);
    QPixmap picture(widget.size());
    picture.fill(widget.palette().color(QPalette::Window));
    widget.render(&picture);
    return picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

// --- The comparison line reads from the first day to the second ---------------------------------

TEST_F(ScreenTest, ComparisonLineReadsFromTheBaseDayToTheLatestInEitherDirection)
{
    writeRecords(twoDays());
    makeModel();
    struct Row
    {
        const char *name;
        QLocale locale;
        Qt::LayoutDirection layout;
        const char *word;        // the sentence's word before the days
        const char *translation; // of "Comparing %@ → %@", none for the English text
        Qt::LayoutDirection reads;
        const char *picture;
    };
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale hebrew(QLocale::Hebrew, QLocale::Israel);
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    const Row rows[] = {
        {"English", english, Qt::LeftToRight, "Comparing", nullptr, Qt::LeftToRight, "growth-en"},
        {"English text in a right-to-left layout",
         english,
         Qt::RightToLeft,
         "Comparing",
         nullptr,
         Qt::LeftToRight,
         "growth-en-rtl"},
        {"Hebrew days in an English sentence",
         hebrew,
         Qt::RightToLeft,
         "Comparing",
         nullptr,
         Qt::LeftToRight,
         "growth-he-english-rtl"},
        {"Hebrew",
         hebrew,
         Qt::RightToLeft,
         "משווה",
         "משווה %@ → %@",
         Qt::RightToLeft,
         "growth-he-rtl"},
        {"Arabic",
         arabic,
         Qt::RightToLeft,
         "مقارنة",
         "مقارنة %@ → %@",
         Qt::RightToLeft,
         "growth-ar-rtl"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const DefaultLocale locale(row.locale);
        std::optional<SentenceTranslation> translation;
        if (row.translation)
            translation.emplace("Growth", "Comparing %@ → %@", QString::fromUtf8(row.translation));
        RevealRecorder revealer;
        AppDisplayNames names(desktopEntryResolver());
        GrowthTab tab(*model, revealer, names);
        tab.setLayoutDirection(row.layout);
        tab.resize(360, 348);
        tab.show();
        QCoreApplication::processEvents();

        const QLabel *label = tab.findChild<QLabel *>(QStringLiteral("comparison"));
        ASSERT_NE(label, nullptr);
        ASSERT_EQ(label->textFormat(), Qt::PlainText);
        const QString text = label->text();
        const QString word = QString::fromUtf8(row.word);
        const QString base = shortDayText(now.addDays(-1), now, utc(), row.locale);
        const QString latest = shortDayText(now, now, utc(), row.locale);
        const qsizetype wordAt = text.indexOf(word);
        const qsizetype baseAt = text.indexOf(base);
        const qsizetype latestAt = text.indexOf(latest, baseAt + base.size());
        ASSERT_GE(wordAt, 0) << text.toStdString();
        ASSERT_GT(baseAt, wordAt) << text.toStdString();
        ASSERT_GT(latestAt, baseAt) << text.toStdString();

        // A label draws plain text in the direction of the text itself (its first strong
        // character), whatever its layout direction: lay it out the same way.
        const Qt::LayoutDirection drawn = text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
        EXPECT_EQ(drawn, row.reads) << text.toStdString();
        QTextLayout layout(text, label->font());
        QTextOption option;
        option.setTextDirection(drawn);
        layout.setTextOption(option);
        layout.beginLayout();
        layout.createLine().setLineWidth(10000);
        layout.endLayout();
        const Extent before = drawnExtent(layout, wordAt, word.size());
        const Extent from = drawnExtent(layout, baseAt, base.size());
        const Extent arrow
            = drawnExtent(layout, baseAt + base.size(), latestAt - baseAt - base.size());
        const Extent to = drawnExtent(layout, latestAt, latest.size());
        // In reading order: the word, the base day, the arrow, the latest day, each drawn as one
        // piece beside the one before it (to its left where the line reads from the right).
        const auto readsBefore = [drawn](const Extent &first, const Extent &second) {
            return drawn == Qt::RightToLeft ? first.left >= second.right - 0.5
                                            : first.right <= second.left + 0.5;
        };
        EXPECT_TRUE(readsBefore(before, from)) << text.toStdString();
        EXPECT_TRUE(readsBefore(from, arrow)) << text.toStdString();
        EXPECT_TRUE(readsBefore(arrow, to)) << text.toStdString();
        // The arrow points from the first day to the second.
        EXPECT_TRUE(text.contains(drawn == Qt::RightToLeft ? QChar(0x2190) : QChar(0x2192)))
            << text.toStdString();
        QCoreApplication::processEvents(); // the rebuilt report's layout
        EXPECT_TRUE(renderPicture(tab, QLatin1String(row.picture)));
    }
}

// --- One digit set ----------------------------------------------------------------------------

// Every text a person reads on the screen: shown labels, fields and the chart's axis labels.
QStringList shownTexts(const QWidget *top)
{
    QStringList texts;
    for (const QLabel *label : top->findChildren<QLabel *>()) {
        if (label->isVisibleTo(top))
            texts.append(label->text());
    }
    for (const ElidedLabel *label : top->findChildren<ElidedLabel *>()) {
        if (label->isVisibleTo(top))
            texts.append(label->text());
    }
    for (const QLineEdit *field : top->findChildren<QLineEdit *>())
        texts.append(field->text());
    // The previews quoted in choices ("Free space  “245.3 GB”").
    static const QRegularExpression quoted(QStringLiteral("“([^”]*)”"));
    for (const QAbstractButton *button : top->findChildren<QAbstractButton *>()) {
        if (!button->isVisibleTo(top))
            continue;
        for (const QRegularExpressionMatch &match : quoted.globalMatch(button->text()))
            texts.append(match.captured(1));
    }
    for (const FreeSpaceChart *chart : top->findChildren<FreeSpaceChart *>()) {
        for (const QList<ChartTick> &ticks :
             {chart->drawing().dateTicks, chart->drawing().valueTicks}) {
            for (const ChartTick &tick : ticks)
                texts.append(tick.label);
        }
    }
    return texts;
}

// The digits of `text` that are not the locale's own.
QString foreignDigits(const QString &text, const QLocale &locale)
{
    const char16_t zero = locale.zeroDigit().at(0).unicode();
    QString foreign;
    for (const QChar c : text) {
        if (c.isDigit() && c.unicode() != zero + c.digitValue())
            foreign.append(c);
    }
    return foreign;
}

TEST_F(ScreenTest, EveryNumberOnScreenIsInTheLocaleDigits)
{
    writeRecords(twoDays(), appBreakdown());
    makeModel();
    const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::Arabic, QLocale::Egypt),
        QLocale(QLocale::Persian, QLocale::Iran),
    };
    for (const QLocale &locale : locales) {
        SCOPED_TRACE(locale.name().toStdString());
        const DefaultLocale shown(locale);
        PopoverContent popover(*model, PopoverPlacement::menuBarPanel);
        popover.resize(360, 700);
        popover.show();
        NotificationSettingsForm settings(*model);
        settings.show();
        MenuBarSettingsForm menuBar(*model);
        menuBar.show();
        QCoreApplication::processEvents();
        const FreeSpaceChart *chart = popover.findChild<FreeSpaceChart *>();
        ASSERT_NE(chart, nullptr);
        ASSERT_TRUE(chart->showsChart() && chart->isVisibleTo(&popover));

        int withDigits = 0;
        for (const QWidget *top : {static_cast<QWidget *>(&popover),
                                   static_cast<QWidget *>(&settings),
                                   static_cast<QWidget *>(&menuBar)}) {
            for (const QString &text : shownTexts(top)) {
                withDigits
                    += std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
                EXPECT_EQ(foreignDigits(text, locale), QString()) << text.toStdString();
            }
        }
        // The popover's sizes, dates, scan time and axes, the line fields and their captions, the
        // menu-bar preview.
        EXPECT_GE(withDigits, 10);
    }
}

// The line fields take what the locale's keyboard types, and write the line back in its digits.
TEST_F(ScreenTest, LineFieldsTakeTheLocaleDigits)
{
    makeModel();
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    struct Row
    {
        const char *name;
        QLocale locale;
        const char *field;
        QString typed;
        qint64 threshold, critical;
        QString shown;
    };
    const Row rows[] = {
        {"Arabic-Indic warning line",
         arabic,
         "warningLineField",
         QStringLiteral("\u0663\u0660"),
         30,
         10,
         QStringLiteral("\u0663\u0660")},
        {"Arabic-Indic critical line",
         arabic,
         "criticalLineField",
         QStringLiteral("\u0667"),
         30,
         7,
         QStringLiteral("\u0667")},
        {"ASCII digits in Arabic",
         arabic,
         "warningLineField",
         QStringLiteral("40"),
         40,
         7,
         QStringLiteral("\u0664\u0660")},
        {"ASCII digits in English",
         QLocale(QLocale::English, QLocale::UnitedStates),
         "warningLineField",
         QStringLiteral("25"),
         25,
         7,
         QStringLiteral("25")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const DefaultLocale shown(row.locale);
        NotificationSettingsForm form(*model);
        form.show();
        auto *field = form.findChild<QLineEdit *>(QLatin1String(row.field));
        ASSERT_NE(field, nullptr);
        field->setFocus();
        field->selectAll();
        for (const QChar c : row.typed)
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(model->settings().thresholdGB, row.threshold);
        EXPECT_EQ(model->settings().criticalGB, row.critical);
        EXPECT_EQ(field->text(), row.shown);
    }
}

// --- Names in rows ------------------------------------------------------------------------------

// A row's name arrives isolated (displayName): the label keeps that isolate, so it draws no
// replacement characters around the name, while what lies inside is still made visible.
TEST(ElidedLabelIsolateTest, AnIsolatedNameKeepsItsIsolate)
{
    struct Row
    {
        const char *name;
        QString text;
        QString shown;
    };
    const Row rows[] = {
        {"plain name", displayName(u"Downloads"), QStringLiteral("\u2068Downloads\u2069")},
        {"Hebrew name", displayName(u"מסמכים"), QStringLiteral("\u2068מסמכים\u2069")},
        {"isolate inside the name",
         displayName(u"a\u2068b\u2069"),
         QStringLiteral("\u2068a\uFFFDb\uFFFD\u2069")},
        {"override inside the name",
         displayName(u"x\u202Eq"),
         QStringLiteral("\u2068x\uFFFDq\u2069")},
        {"not isolated: shown as before", QStringLiteral("a\u2068b"), QStringLiteral("a\uFFFDb")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ElidedLabel label(row.text, Qt::ElideMiddle);
        label.resize(label.sizeHint() + QSize(50, 0));
        EXPECT_EQ(label.shownText(), row.shown);
    }
}

} // namespace
