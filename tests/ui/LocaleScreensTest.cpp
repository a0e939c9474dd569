#include "growth/GrowthSummary.h"
#include "platform/AppDisplayNames.h"
#include "ui/ElidedLabel.h"
#include "ui/FreeSpaceChart.h"
#include "ui/GrowthTab.h"
#include "ui/MenuBarSettingsForm.h"
#include "ui/NotificationSettingsForm.h"
#include "ui/PopoverContent.h"

#include "ScreenFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QChartView>
#include <QGlyphRun>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
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

// --- The comparison line reads from the first day to the second ---------------------------------

TEST_F(ScreenTest, ComparisonLineReadsFromTheBaseDayToTheLatestInEitherDirection)
{
    writeRecords(twoDays());
    makeModel();
    struct Row
    {
        const char *name;
        QLocale locale;
        Qt::LayoutDirection direction;
    };
    const Row rows[] = {
        {"English, left to right",
         QLocale(QLocale::English, QLocale::UnitedStates),
         Qt::LeftToRight},
        {"English, right to left",
         QLocale(QLocale::English, QLocale::UnitedStates),
         Qt::RightToLeft},
        {"Hebrew, right to left", QLocale(QLocale::Hebrew, QLocale::Israel), Qt::RightToLeft},
        {"Arabic, right to left", QLocale(QLocale::Arabic, QLocale::Egypt), Qt::RightToLeft},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const DefaultLocale locale(row.locale);
        RevealRecorder revealer;
        AppDisplayNames names(desktopEntryResolver());
        GrowthTab tab(*model, revealer, names);
        tab.setLayoutDirection(row.direction);
        tab.resize(360, 348);
        tab.show();
        QCoreApplication::processEvents();

        const QLabel *label = tab.findChild<QLabel *>(QStringLiteral("comparison"));
        ASSERT_NE(label, nullptr);
        ASSERT_EQ(label->layoutDirection(), row.direction);
        const QString text = label->text();
        const QString base = shortDayText(now.addDays(-1), now, utc(), row.locale);
        const QString latest = shortDayText(now, now, utc(), row.locale);
        const qsizetype prefixAt = text.indexOf(QStringLiteral("Comparing"));
        const qsizetype baseAt = text.indexOf(base);
        const qsizetype latestAt = text.indexOf(latest, baseAt + base.size());
        ASSERT_GE(prefixAt, 0) << text.toStdString();
        ASSERT_GT(baseAt, prefixAt) << text.toStdString();
        ASSERT_GT(latestAt, baseAt) << text.toStdString();

        QTextLayout layout(text, label->font());
        QTextOption option;
        option.setTextDirection(label->layoutDirection());
        layout.setTextOption(option);
        layout.beginLayout();
        layout.createLine().setLineWidth(10000);
        layout.endLayout();
        const Extent prefix = drawnExtent(layout, prefixAt, 9);
        const Extent from = drawnExtent(layout, baseAt, base.size());
        const Extent arrow
            = drawnExtent(layout, baseAt + base.size(), latestAt - baseAt - base.size());
        const Extent to = drawnExtent(layout, latestAt, latest.size());
        // In reading order: "Comparing", the base day, the arrow, the latest day, each drawn as
        // one piece beside the one before it (to its left where the layout reads from the right).
        const auto readsBefore = [&row](const Extent &first, const Extent &second) {
            return row.direction == Qt::RightToLeft ? first.left >= second.right - 0.5
                                                    : first.right <= second.left + 0.5;
        };
        EXPECT_TRUE(readsBefore(prefix, from)) << text.toStdString();
        EXPECT_TRUE(readsBefore(from, arrow)) << text.toStdString();
        EXPECT_TRUE(readsBefore(arrow, to)) << text.toStdString();
        // The arrow points from the first day to the second.
        EXPECT_TRUE(text.contains(row.direction == Qt::RightToLeft ? QChar(0x2190) : QChar(0x2192)))
            << text.toStdString();
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
    for (const QChartView *view : top->findChildren<QChartView *>()) {
        for (const QGraphicsItem *item : view->scene()->items()) {
            if (const auto *text = dynamic_cast<const QGraphicsTextItem *>(item))
                texts.append(text->toPlainText());
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
        const QChartView *chart = popover.findChild<QChartView *>();
        ASSERT_NE(chart, nullptr);
        ASSERT_TRUE(chart->isVisibleTo(&popover));

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

} // namespace
