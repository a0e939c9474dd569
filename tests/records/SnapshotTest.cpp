#include "records/Snapshot.h"
#include "support/LogCapture.h"

#include <QJsonDocument>

#include <optional>

#include <gtest/gtest.h>

#include <limits>

using namespace qm;

namespace {

Snapshot typicalRecord()
{
    Snapshot snapshot;
    snapshot.date = QStringLiteral("2026-03-12");
    snapshot.free = 123'456'789'012;
    snapshot.entries = {{QStringLiteral("~/Library/Caches"), 3'221'225'472},
                        {QStringLiteral("~/Downloads"), 5'368'709'120}};
    snapshot.scannedAt = QStringLiteral("2026-03-12T00:42:05Z");
    snapshot.durationSeconds = 41.7;
    snapshot.trashBytes = 1'048'576;
    snapshot.unmeasured = {QStringLiteral("~/Library/Containers")};
    snapshot.unmeasuredReasons
        = {{QStringLiteral("~/Library/Containers"), UnmeasuredReason::permissionDenied}};
    return snapshot;
}

// A record of `date`; without `free`, one whose free-space figure is missing or unreadable.
Snapshot dated(const char *date, std::optional<qint64> free = std::nullopt)
{
    Snapshot snapshot;
    snapshot.date = QString::fromLatin1(date);
    snapshot.free = free.value_or(0);
    snapshot.freeRecorded = free.has_value();
    return snapshot;
}

// Reads one element through the file reader.
std::optional<Snapshot> readElement(const QByteArray &element)
{
    const std::optional<QList<Snapshot>> list = decodeSnapshots("[" + element + "]");
    if (!list || list->size() != 1)
        return std::nullopt;
    return list->first();
}

} // namespace

TEST(UnmeasuredReason, RawValues)
{
    const std::pair<UnmeasuredReason, const char *> rows[] = {
        {UnmeasuredReason::permissionDenied, "permission"},
        {UnmeasuredReason::timedOut, "timeout"},
        {UnmeasuredReason::failed, "failed"},
    };
    for (const auto &[reason, raw] : rows) {
        EXPECT_EQ(unmeasuredReasonRawValue(reason), QString::fromLatin1(raw));
        EXPECT_EQ(unmeasuredReasonFromRawValue(QString::fromLatin1(raw)), reason);
    }
    EXPECT_FALSE(unmeasuredReasonFromRawValue(QStringLiteral("Permission")).has_value());
    EXPECT_FALSE(unmeasuredReasonFromRawValue(QStringLiteral("permissionDenied")).has_value());
}

TEST(Snapshot, WritesTheExactCompactSortedText)
{
    EXPECT_EQ(encodeSnapshots({typicalRecord()}),
              QByteArray(R"([{"date":"2026-03-12","durationSeconds":41.7,)"
                         R"("entries":{"~/Downloads":5368709120,"~/Library/Caches":3221225472},)"
                         R"("free":123456789012,"scannedAt":"2026-03-12T00:42:05Z",)"
                         R"("trashBytes":1048576,"unmeasured":["~/Library/Containers"],)"
                         R"("unmeasuredReasons":{"~/Library/Containers":"permission"}}])"));

    // Optional fields absent; reasons without an unmeasured path are not written; the
    // unmeasured list is written sorted.
    Snapshot bare = dated("2026-03-13", 0);
    bare.unmeasuredReasons = {{QStringLiteral("~/Movies"), UnmeasuredReason::failed}};
    Snapshot unsorted = dated("2026-03-14", 7);
    unsorted.unmeasured = {QStringLiteral("~/b"), QStringLiteral("~/a")};
    unsorted.unmeasuredReasons = {{QStringLiteral("~/b"), UnmeasuredReason::timedOut}};
    // A record whose figure could not be read gets no made-up one.
    EXPECT_EQ(encodeSnapshots({dated("2026-03-15")}),
              QByteArray(R"([{"date":"2026-03-15","entries":{}}])"));
    EXPECT_EQ(encodeSnapshots({bare, unsorted}),
              QByteArray(R"([{"date":"2026-03-13","entries":{},"free":0},)"
                         R"({"date":"2026-03-14","entries":{},"free":7,)"
                         R"("unmeasured":["~/a","~/b"],"unmeasuredReasons":{"~/b":"timeout"}}])"));
    EXPECT_EQ(encodeSnapshots({}), QByteArray("[]"));
}

TEST(Snapshot, RecordsAndLargeByteCountsRoundTripExactly)
{
    Snapshot large = typicalRecord();
    large.date = QStringLiteral("2026-03-13");                         // one record per day
    large.free = 8'796'093'022'208;                                    // an 8 TiB volume
    large.entries[QStringLiteral("~/Movies")] = (qint64(1) << 53) + 1; // not a double
    large.trashBytes = std::numeric_limits<qint64>::max();
    const QByteArray text = encodeSnapshots({typicalRecord(), large});
    EXPECT_TRUE(text.contains("\"free\":8796093022208")) << text.constData();
    EXPECT_TRUE(text.contains("\"~/Movies\":9007199254740993")) << text.constData();
    EXPECT_TRUE(text.contains("\"trashBytes\":9223372036854775807")) << text.constData();
    const std::optional<QList<Snapshot>> read = decodeSnapshots(text);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, (QList<Snapshot>{typicalRecord(), large}));
}

TEST(Snapshot, ReadsKeptElementsLeniently)
{
    struct Row
    {
        const char *name;
        QByteArray element;
        Snapshot expected;
    };
    Snapshot withNeighbours = dated("2026-03-12");
    withNeighbours.entries = {{QStringLiteral("~/a"), 1}, {QStringLiteral("~/c"), 0}};
    Snapshot overlap = dated("2026-03-12");
    overlap.entries = {{QStringLiteral("~/a"), 5}};
    overlap.unmeasured = {QStringLiteral("~/c"), QStringLiteral("~/b")};
    overlap.unmeasuredReasons = {{QStringLiteral("~/b"), UnmeasuredReason::timedOut}};
    Snapshot large = dated("2026-03-12", 8'000'000'000'000);
    large.trashBytes = 1000;
    Snapshot whole = dated("2026-03-12", 2);
    whole.durationSeconds = 3;

    const Row rows[] = {
        {"onlyDate", R"({"date":"2026-03-12"})", dated("2026-03-12")},
        {"negativeFree", R"({"date":"2026-03-12","free":-5})", dated("2026-03-12")},
        {"fractionalFree", R"({"date":"2026-03-12","free":1.5})", dated("2026-03-12")},
        {"stringFree", R"({"date":"2026-03-12","free":"12"})", dated("2026-03-12")},
        {"freeBeyond64Bits",
         R"({"date":"2026-03-12","free":9223372036854775808})",
         dated("2026-03-12")},
        {"hugeFree", R"({"date":"2026-03-12","free":1e30})", dated("2026-03-12")},
        {"largeAndExponentForms",
         R"({"date":"2026-03-12","free":8000000000000,"trashBytes":1e3})",
         large},
        {"integerDuration", R"({"date":"2026-03-12","free":2.0,"durationSeconds":3})", whole},
        {"badEntriesDroppedOneByOne",
         R"({"date":"2026-03-12","entries":{"~/a":1,"~/b":-1,"~/c":0,"~/d":"9","~/e":null}})",
         withNeighbours},
        {"entriesNotAnObject", R"({"date":"2026-03-12","entries":[1,2]})", dated("2026-03-12")},
        {"badOptionalsAbsent",
         R"({"date":"2026-03-12","scannedAt":5,"durationSeconds":"4","trashBytes":-1})",
         dated("2026-03-12")},
        {"unmeasuredOverlapAndBadReasons",
         R"({"date":"2026-03-12","entries":{"~/a":5},"unmeasured":["~/c","~/a","~/b"],)"
         R"("unmeasuredReasons":{"~/a":"permission","~/b":"timeout","~/c":"denied","~/z":"failed"}})",
         overlap},
        {"unmeasuredNotAllStrings",
         R"({"date":"2026-03-12","unmeasured":["~/a",1],"unmeasuredReasons":{"~/a":"failed"}})",
         dated("2026-03-12")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<Snapshot> read = readElement(row.element);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, row.expected);
    }
}

TEST(Snapshot, DropsUnreadableElementsAndCountsThem)
{
    const char *dropLine = "記録として読めない要素は読まずにファイルに残す: %1 件";
    const char *duplicateLine = "同じ日の重なった記録を捨てた: %1 件";
    {
        test::LogCapture capture;
        const std::optional<QList<Snapshot>> read = decodeSnapshots(
            R"([{"date":"2026-03-02","free":2},5,{"free":1},{"date":7},)"
            R"({"date":"2026-03-01"},"2026-03-03",{"date":"2026-03-02","free":3}])");
        ASSERT_TRUE(read.has_value());
        // Order is kept as stored; of the two records of 2 March the first stays (neither says
        // when it was scanned).
        EXPECT_EQ(*read, (QList<Snapshot>{dated("2026-03-02", 2), dated("2026-03-01")}));
        EXPECT_TRUE(capture.contains(QStringLiteral("Records"),
                                     QStringLiteral("default"),
                                     QString::fromUtf8(dropLine).arg(4)))
            << capture.dump().toStdString();
        EXPECT_TRUE(capture.contains(QStringLiteral("Records"),
                                     QStringLiteral("default"),
                                     QString::fromUtf8(duplicateLine).arg(1)))
            << capture.dump().toStdString();
        EXPECT_EQ(capture.lines().size(), 2);
    }
    {
        test::LogCapture capture;
        ASSERT_TRUE(decodeSnapshots(R"([{"date":"2026-03-01"}])").has_value());
        EXPECT_TRUE(capture.lines().isEmpty()) << capture.dump().toStdString();
    }
}

TEST(Snapshot, OneRecordPerDayTheOneScannedLast)
{
    const auto scanned = [](const char *date, qint64 free, const char *at) {
        Snapshot snapshot = dated(date, free);
        if (at)
            snapshot.scannedAt = QString::fromLatin1(at);
        return snapshot;
    };
    struct Row
    {
        const char *name;
        QList<Snapshot> stored;
        QList<Snapshot> read;
    };
    const Row rows[] = {
        {"laterScanWinsWhereverItStands",
         {scanned("2026-03-02", 1, "2026-03-02T20:00:00Z"),
          scanned("2026-03-01", 2, nullptr),
          scanned("2026-03-02", 3, "2026-03-02T21:00:00Z"),
          scanned("2026-03-02", 4, "2026-03-02T09:00:00Z")},
         {scanned("2026-03-02", 3, "2026-03-02T21:00:00Z"), scanned("2026-03-01", 2, nullptr)}},
        {"aRecordThatSaysWhenBeatsOneThatDoesNot",
         {scanned("2026-03-02", 1, nullptr),
          scanned("2026-03-02", 2, "garbage"),
          scanned("2026-03-02", 3, "2026-03-02T09:00:00Z")},
         {scanned("2026-03-02", 3, "2026-03-02T09:00:00Z")}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(decodeSnapshots(encodeSnapshots(row.stored)), row.read);
    }

    // A hand-edited file with 100,000 records of one day reads as one record.
    QList<Snapshot> many;
    for (int i = 0; i < 100000; ++i)
        many.append(dated("2026-03-02", i));
    EXPECT_EQ(decodeSnapshots(encodeSnapshots(many)), QList<Snapshot>{dated("2026-03-02", 0)});
}

TEST(Snapshot, AValueQtCannotHoldDropsOnlyThatValue)
{
    // Valid JSON that Qt's reader refuses whole: one such value must not hide the file.
    const QByteArray text = "[{\"date\":\"2026-03-01\",\"free\":1e400,"
                            "\"entries\":{\"~/a\":5,\"~/b\xff\":6,\"~/c\":-1e400,\"~/d\":1e-400},"
                            "\"durationSeconds\":1e-400,\"scannedAt\":\"\xfe\"},"
                            "{\"date\":\"2026-03-\xff\"},"
                            "{\"date\":\"2026-03-02\",\"free\":7}]";
    test::LogCapture capture;
    const std::optional<QList<Snapshot>> read = decodeSnapshots(text);
    ASSERT_TRUE(read.has_value());
    Snapshot first = dated("2026-03-01");
    first.entries = {{QStringLiteral("~/a"), 5}};
    EXPECT_EQ(*read, (QList<Snapshot>{first, dated("2026-03-02", 7)}));
    EXPECT_TRUE(
        capture.contains(QStringLiteral("Records"),
                         QStringLiteral("default"),
                         QStringLiteral("記録として読めない要素は読まずにファイルに残す: 1 件")))
        << capture.dump().toStdString();
}

TEST(Snapshot, TextThatIsNotAnArrayIsDamaged)
{
    for (const char *text : {"", "{}", "null", "[{\"date\":\"2026-03-01\"}", "\xff"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(decodeSnapshots(QByteArray(text)).has_value());
    }
    EXPECT_EQ(decodeSnapshots(" [ ] \n"), QList<Snapshot>());
}

TEST(Snapshot, LatestIsTheGreatestDateAndTheFirstOfEquals)
{
    EXPECT_FALSE(latestSnapshot({}).has_value());
    // Up to a given day, a record dated later does not count.
    EXPECT_EQ(latestSnapshot({dated("2026-03-01"), dated("2031-03-01"), dated("2026-03-02")},
                             QStringLiteral("2026-03-02")),
              dated("2026-03-02"));
    EXPECT_FALSE(latestSnapshot({dated("2031-03-01")}, QStringLiteral("2026-03-02")).has_value());
    EXPECT_EQ(latestSnapshot({dated("2026-03-01"), dated("2026-02-28")}), dated("2026-03-01"));
    EXPECT_EQ(latestSnapshot({dated("2026-02-28"), dated("2026-03-01", 1), dated("2026-03-01", 2)}),
              dated("2026-03-01", 1));
    // A date that is not a real day never counts.
    EXPECT_EQ(latestSnapshot({dated("2026-03-01"), dated("not-a-date"), dated("2026-02-30")}),
              dated("2026-03-01"));
    EXPECT_FALSE(latestSnapshot({dated("not-a-date")}).has_value());
    EXPECT_EQ(
        latestSnapshot({dated("2026-03-01"), dated("2026-03-02x")}, QStringLiteral("2026-03-02")),
        dated("2026-03-01"));
}

TEST(Snapshot, DayKeysAreRealDaysInTheWrittenForm)
{
    const struct
    {
        const char *key;
        bool isDay;
    } cases[] = {
        {"2026-03-12", true},
        {"2024-02-29", true},
        {"2026-02-29", false},
        {"2026-02-30", false},
        {"not-a-date", false},
        {"", false},
        {"2026-3-12", false},
        {"2026-03-12T00:00", false},
        {"99999-01-01", false},
        {"2026/03/12", false},
        {"-026-03-12", false},
        {"2026-13-01", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isDayKey(QString::fromLatin1(c.key)), c.isDay) << c.key;
}
