#include "growth/GrowthSummary.h"
#include "platform/AppDisplayNames.h"
#include "ui/GrowthTab.h"

#include "ScreenFixture.h"

#include <QApplication>
#include <QGlyphRun>
#include <QLabel>
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

} // namespace
