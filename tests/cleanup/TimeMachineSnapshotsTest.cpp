#include "cleanup/TimeMachineSnapshots.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

const QString fakeTmutil = QStringLiteral(QUILLMERE_TEST_HELPERS_DIR "/cleanup_fake_tmutil.sh");
const QString recordedOutput
    = QStringLiteral(QUILLMERE_TEST_DATA_DIR "/cleanup_tmutil_listlocalsnapshots.txt");
const QStringList recordedNames{
    u"2024-03-01-101530"_s, u"2024-03-02-093012"_s, u"2024-03-03-120001"_s};

std::string text(const QStringList &names)
{
    return names.join(u" | "_s).toStdString();
}

} // namespace

TEST(TimeMachineSnapshotsTest, ParsesTheNamesBetweenPrefixAndSuffix)
{
    struct Case
    {
        const char *name;
        QString output;
        QStringList expected;
    };
    const QString prefix = u"com.apple.TimeMachine."_s;
    const Case cases[] = {
        {"recorded output", QString::fromUtf8(test::readFile(recordedOutput)), recordedNames},
        {"heading and two lines",
         u"Snapshots for disk /:\n"_s + prefix + u"A.local\n"_s + prefix + u"B.local\n"_s,
         {u"A"_s, u"B"_s}},
        {"indented, tabs, carriage returns",
         u"Snapshots for disk /:\r\n  "_s + prefix + u"A.local \r\n\t"_s + prefix
             + u"B.local\t\r\n"_s,
         {u"A"_s, u"B"_s}},
        {"every line break character",
         prefix + u"A.local\u000b"_s + prefix + u"B.local\u000c"_s + prefix + u"C.local\u0085"_s
             + prefix + u"D.local\u2028"_s + prefix + u"E.local\u2029"_s + prefix + u"F.local\r"_s
             + prefix + u"G.local"_s,
         {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s, u"G"_s}},
        {"other endings and other forms are ignored",
         prefix + u"A.localx\n"_s + prefix + u"B.local.bak\n"_s + u"x"_s + prefix + u"C.local\n"_s
             + prefix + u".local\n"_s + prefix + u"D.local\u00a0\n"_s + prefix + u"E.local\n"_s,
         {u"E"_s}},
        {"nothing", QString(), {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseSnapshotNames(c.output), c.expected) << c.name;
}

TEST(TimeMachineSnapshotsTest, RunsTheToolWithinItsTimeLimit)
{
    QTemporaryDir dir;
    const QString invalidUtf8 = dir.filePath(u"invalid.txt"_s);
    ASSERT_TRUE(test::writeFile(invalidUtf8, "com.apple.TimeMachine.2024-\xff.local\n"));
    struct Case
    {
        const char *mode;
        QString output;
        double timeout;
        QStringList expected;
    };
    const Case cases[] = {
        {"list", recordedOutput, 10, recordedNames},
        // An exit with an error status still gives the lines it printed.
        {"fail", recordedOutput, 10, recordedNames},
        {"list", invalidUtf8, 10, {u"2024-\ufffd"_s}},
        // Ended by a signal: nothing, even though lines were printed.
        {"crash", recordedOutput, 10, {}},
        // Terminated at the limit: nothing either.
        {"hang", recordedOutput, 0.3, {}},
    };
    for (const Case &c : cases) {
        qputenv("CLEANUP_FAKE_TMUTIL", c.mode);
        qputenv("CLEANUP_FAKE_TMUTIL_OUTPUT", QFile::encodeName(c.output));
        const TimeMachineSnapshots snapshots{fakeTmutil, c.timeout};
        QElapsedTimer clock;
        clock.start();
        const QStringList names = QCoro::waitFor(snapshots.list());
        EXPECT_EQ(names, c.expected) << c.mode << ": " << text(names);
        EXPECT_LT(clock.elapsed(), 5000) << c.mode;
    }
    qunsetenv("CLEANUP_FAKE_TMUTIL");
    qunsetenv("CLEANUP_FAKE_TMUTIL_OUTPUT");
}

TEST(TimeMachineSnapshotsTest, AMissingToolGivesAnEmptyList)
{
    // As on Linux, which has no tmutil.
    QTemporaryDir dir;
    const TimeMachineSnapshots missing{dir.filePath(u"tmutil"_s), 20};
    EXPECT_TRUE(QCoro::waitFor(missing.list()).isEmpty());
}
