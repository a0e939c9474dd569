#include "settings/Settings.h"
#include "settings/SettingsPrinting.h"

#include <QRegularExpression>

#include <functional>
#include <limits>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 int64Max = std::numeric_limits<qint64>::max();
constexpr qint64 int64Min = std::numeric_limits<qint64>::min();

Settings defaultsWith(const std::function<void(Settings &)> &change)
{
    Settings settings = defaultSettings();
    change(settings);
    return settings;
}

QStringList topLevelKeys(const QByteArray &text)
{
    static const QRegularExpression keyLine(QStringLiteral("^    \"(\\w+)\": "));
    QStringList keys;
    for (const QByteArray &line : text.split('\n')) {
        const QRegularExpressionMatch match = keyLine.match(QString::fromUtf8(line));
        if (match.hasMatch())
            keys.append(match.captured(1));
    }
    return keys;
}

// A JSON object with one key.
QByteArray withKey(const char *key, const QByteArray &value)
{
    return QByteArray("{\"") + key + "\": " + value + "}";
}

} // namespace

TEST(SettingsJsonTest, WrittenTextListsSortedKeysOnePerLineWithoutNull)
{
    const QByteArray defaultsText = encodeSettings(defaultSettings());
    EXPECT_EQ(topLevelKeys(defaultsText),
              QStringList({u"criticalGB"_s,
                           u"decimalDigits"_s,
                           u"fdaGuideShown"_s,
                           u"fleetMetricsEnabled"_s,
                           u"fleetMetricsFile"_s,
                           u"growthDaysBack"_s,
                           u"lastSettingsTab"_s,
                           u"launchAtLogin"_s,
                           u"menuBarStyle"_s,
                           u"notifyEnabled"_s,
                           u"refreshInterval"_s,
                           u"scanHour"_s,
                           u"showExternalVolumes"_s,
                           u"showGauge"_s,
                           u"thresholdGB"_s,
                           u"unit"_s,
                           u"watchEntries"_s}));
    EXPECT_FALSE(defaultsText.contains("null"));
    for (const char *line : {"\"criticalGB\": 10,",
                             "\"decimalDigits\": 0,",
                             "\"fdaGuideShown\": false,",
                             "\"fleetMetricsEnabled\": false,",
                             "\"fleetMetricsFile\": \"\",",
                             "\"growthDaysBack\": 1,",
                             "\"lastSettingsTab\": \"general\",",
                             "\"menuBarStyle\": \"freeGB\",",
                             "\"refreshInterval\": 60,",
                             "\"scanHour\": 9,",
                             "\"showGauge\": true,",
                             "\"thresholdGB\": 20,",
                             "\"unit\": \"GB\","})
        EXPECT_TRUE(defaultsText.contains(line)) << line;

    Settings withOptionals = defaultSettings();
    withOptionals.lastNotifiedDate = QString();
    withOptionals.notifiedUpdateVersion = QStringLiteral("2.0");
    withOptionals.watchEntries = {{QStringLiteral("~/a"), false}};
    const QByteArray text = encodeSettings(withOptionals);
    EXPECT_EQ(topLevelKeys(text),
              QStringList({u"criticalGB"_s,
                           u"decimalDigits"_s,
                           u"fdaGuideShown"_s,
                           u"fleetMetricsEnabled"_s,
                           u"fleetMetricsFile"_s,
                           u"growthDaysBack"_s,
                           u"lastNotifiedDate"_s,
                           u"lastSettingsTab"_s,
                           u"launchAtLogin"_s,
                           u"menuBarStyle"_s,
                           u"notifiedUpdateVersion"_s,
                           u"notifyEnabled"_s,
                           u"refreshInterval"_s,
                           u"scanHour"_s,
                           u"showExternalVolumes"_s,
                           u"showGauge"_s,
                           u"thresholdGB"_s,
                           u"unit"_s,
                           u"watchEntries"_s}));
    EXPECT_TRUE(text.contains("\"lastNotifiedDate\": \"\","));
    EXPECT_FALSE(text.contains("null"));
    const qsizetype enabledAt = text.indexOf("\"enabled\": false,");
    ASSERT_GE(enabledAt, 0);
    EXPECT_GT(text.indexOf("\"path\": \"~/a\""), enabledAt);
}

TEST(SettingsJsonTest, WrittenValuesReadBackEqual)
{
    Settings everyFieldChanged;
    everyFieldChanged.thresholdGB = 500;
    everyFieldChanged.criticalGB = 42;
    everyFieldChanged.watchEntries = {{QStringLiteral("~/Projects"), true},
                                      {QStringLiteral("/mnt/data"), false},
                                      {QStringLiteral("~/Projects"), false}};
    everyFieldChanged.launchAtLogin = true;
    everyFieldChanged.scanHour = 23;
    everyFieldChanged.fdaGuideShown = true;
    everyFieldChanged.lastNotifiedDate = QStringLiteral("2026-03-12");
    everyFieldChanged.menuBarStyle = MenuBarStyle::freeGBWithDelta;
    everyFieldChanged.decimalDigits = 1;
    everyFieldChanged.showGauge = false;
    everyFieldChanged.showExternalVolumes = false;
    everyFieldChanged.unit = ByteUnit::GiB;
    everyFieldChanged.notifyEnabled = false;
    everyFieldChanged.refreshInterval = 300;
    everyFieldChanged.growthDaysBack = 7;
    everyFieldChanged.notifiedUpdateVersion = QStringLiteral("1.4.2");
    everyFieldChanged.lastSettingsTab = QStringLiteral("watch");
    everyFieldChanged.fleetMetricsEnabled = true;
    everyFieldChanged.fleetMetricsFile = QStringLiteral("/var/lib/node-exporter/quillmere.prom");

    Settings extremes = defaultSettings();
    extremes.thresholdGB = int64Max;
    extremes.criticalGB = int64Max - 1;
    extremes.scanHour = int64Min;
    extremes.watchEntries = {
        {QStringLiteral("~/Fotos \"2024\"\\Ä ü/日本語\n\t"), true},
        {QString(), false},
        {QStringLiteral("\\/escaped"), true},
    };
    extremes.lastNotifiedDate = QString();
    extremes.notifiedUpdateVersion = QString();
    extremes.lastSettingsTab = QStringLiteral("someFutureSection");

    Settings noWatchEntries = defaultSettings();
    noWatchEntries.watchEntries.clear();
    noWatchEntries.thresholdGB = int64Min;
    noWatchEntries.criticalGB = 1;

    for (const Settings &settings :
         {defaultSettings(), everyFieldChanged, extremes, noWatchEntries}) {
        const QByteArray text = encodeSettings(settings);
        EXPECT_FALSE(text.contains("null"));
        const Result<Settings> decoded = decodeSettings(text);
        ASSERT_TRUE(decoded.ok()) << decoded.error().description.toStdString();
        EXPECT_EQ(*decoded, settings);
    }
    EXPECT_NE(everyFieldChanged, defaultSettings());
}

TEST(SettingsJsonTest, ReaderAppliesItsRulesKeyByKey)
{
    struct Row
    {
        const char *name;
        QByteArray json;
        std::function<void(Settings &)> expect;
    };
    const WatchSettings defaultList = defaultSettings().watchEntries;
    const Row rows[] = {
        {"emptyObject",
         "{}",
         [](Settings &) {
         }},
        {"unknownKeysIgnored",
         R"({"colour": "blue", "thresholdgb": 3, "watchentries": []})",
         [](Settings &) {
         }},
        {"criticalAboveThreshold",
         R"({"thresholdGB": 5, "criticalGB": 9})",
         [](Settings &s) {
             s.thresholdGB = 5, s.criticalGB = 4;
         }},
        {"thresholdOneAlone",
         R"({"thresholdGB": 1})",
         [](Settings &s) {
             s.thresholdGB = 1, s.criticalGB = 1;
         }},
        {"bothZero",
         R"({"thresholdGB": 0, "criticalGB": 0})",
         [](Settings &s) {
             s.thresholdGB = 0, s.criticalGB = 1;
         }},
        {"negativeThreshold",
         R"({"thresholdGB": -50})",
         [](Settings &s) {
             s.thresholdGB = -50, s.criticalGB = 1;
         }},
        {"smallestThreshold",
         R"({"thresholdGB": -9223372036854775808, "criticalGB": 5})",
         [](Settings &s) {
             s.thresholdGB = int64Min, s.criticalGB = 1;
         }},
        {"largestThreshold",
         R"({"thresholdGB": 9223372036854775807, "criticalGB": 9223372036854775807})",
         [](Settings &s) {
             s.thresholdGB = int64Max, s.criticalGB = int64Max - 1;
         }},
        {"criticalBelowOne",
         R"({"criticalGB": -3})",
         [](Settings &s) {
             s.criticalGB = 1;
         }},
        {"criticalWithinRange",
         R"({"thresholdGB": 100, "criticalGB": 99})",
         [](Settings &s) {
             s.thresholdGB = 100, s.criticalGB = 99;
         }},
        {"criticalDefaultClampedByThreshold",
         R"({"thresholdGB": 8})",
         [](Settings &s) {
             s.thresholdGB = 8, s.criticalGB = 7;
         }},
        {"refresh45",
         R"({"refreshInterval": 45})",
         [](Settings &) {
         }},
        {"refresh30",
         R"({"refreshInterval": 30})",
         [](Settings &s) {
             s.refreshInterval = 30;
         }},
        {"refresh300",
         R"({"refreshInterval": 300})",
         [](Settings &s) {
             s.refreshInterval = 300;
         }},
        {"growth3",
         R"({"growthDaysBack": 3})",
         [](Settings &) {
         }},
        {"growth7",
         R"({"growthDaysBack": 7})",
         [](Settings &s) {
             s.growthDaysBack = 7;
         }},
        {"digits2",
         R"({"decimalDigits": 2})",
         [](Settings &s) {
             s.decimalDigits = 1;
         }},
        {"digitsMinus1",
         R"({"decimalDigits": -1})",
         [](Settings &) {
         }},
        {"digits1",
         R"({"decimalDigits": 1})",
         [](Settings &s) {
             s.decimalDigits = 1;
         }},
        {"styleUsed",
         R"({"menuBarStyle": "usedGB"})",
         [](Settings &s) {
             s.menuBarStyle = MenuBarStyle::usedGB;
         }},
        {"stylePercent",
         R"({"menuBarStyle": "freePercent"})",
         [](Settings &s) {
             s.menuBarStyle = MenuBarStyle::freePercent;
         }},
        {"styleDelta",
         R"({"menuBarStyle": "freeGBWithDelta"})",
         [](Settings &s) {
             s.menuBarStyle = MenuBarStyle::freeGBWithDelta;
         }},
        {"styleUnknown",
         R"({"menuBarStyle": "FreeGB", "unit": "GB"})",
         [](Settings &) {
         }},
        {"unitGiB",
         R"({"unit": "GiB"})",
         [](Settings &s) {
             s.unit = ByteUnit::GiB;
         }},
        {"unitUnknown",
         R"({"unit": "gib"})",
         [](Settings &) {
         }},
        {"gaugeAsString",
         R"({"showGauge": "false"})",
         [](Settings &) {
         }},
        {"booleansStored",
         R"({"showGauge": false, "launchAtLogin": true, "fdaGuideShown": true,
             "showExternalVolumes": false, "notifyEnabled": false})",
         [](Settings &s) {
             s.showGauge = false, s.launchAtLogin = true, s.fdaGuideShown = true;
             s.showExternalVolumes = false, s.notifyEnabled = false;
         }},
        {"scanHourUnchecked",
         R"({"scanHour": -77})",
         [](Settings &s) {
             s.scanHour = -77;
         }},
        {"optionalTextsAsStored",
         R"({"lastNotifiedDate": "not a day", "notifiedUpdateVersion": ""})",
         [](Settings &s) {
             s.lastNotifiedDate = QStringLiteral("not a day");
             s.notifiedUpdateVersion = QString();
         }},
        {"optionalTextsOfWrongType",
         R"({"lastNotifiedDate": 20260312, "notifiedUpdateVersion": null})",
         [](Settings &) {
         }},
        {"formerNotificationsTab",
         R"({"lastSettingsTab": "thresholds"})",
         [](Settings &s) {
             s.lastSettingsTab = QStringLiteral("notifications");
         }},
        {"unknownTabKept",
         R"({"lastSettingsTab": "Thresholds"})",
         [](Settings &s) {
             s.lastSettingsTab = QStringLiteral("Thresholds");
         }},
        {"fleetMetricsStored",
         R"({"fleetMetricsEnabled": true, "fleetMetricsFile": "/srv/prom/q.prom"})",
         [](Settings &s) {
             s.fleetMetricsEnabled = true, s.fleetMetricsFile = u"/srv/prom/q.prom"_s;
         }},
        {"fleetMetricsOfWrongType",
         R"({"fleetMetricsEnabled": "yes", "fleetMetricsFile": 7})",
         [](Settings &) {
         }},
        {"watchStrings",
         R"({"watchEntries": ["~/a", "/b"]})",
         [](Settings &s) {
             s.watchEntries = {{u"~/a"_s, true}, {u"/b"_s, true}};
         }},
        {"watchObjectWithoutEnabled",
         R"({"watchEntries": [{"path": "~/a"}, {"path": "~/b", "enabled": false}]})",
         [](Settings &s) {
             s.watchEntries = {{u"~/a"_s, true}, {u"~/b"_s, false}};
         }},
        {"watchEnabledNullMeansEnabled",
         R"({"watchEntries": [{"path": "~/a", "enabled": null}]})",
         [](Settings &s) {
             s.watchEntries = {{u"~/a"_s, true}};
         }},
        {"watchExtraKeysIgnored",
         R"({"watchEntries": [{"path": "~/a", "size": 3}]})",
         [](Settings &s) {
             s.watchEntries = {{u"~/a"_s, true}};
         }},
        {"watchEnabledAsStringDropsThatElementAlone",
         R"({"watchEntries": [{"path": "~/a"}, {"path": "~/b", "enabled": "yes"}], "unit": "GiB"})",
         [](Settings &s) {
             s.unit = ByteUnit::GiB;
             s.watchEntries = {{u"~/a"_s, true}};
         }},
        {"watchEnabledAsNumberDropsThatElementAlone",
         R"({"watchEntries":[{"path":"~/Projects","enabled":true},{"path":"~/Music","enabled":1}]})",
         [](Settings &s) {
             s.watchEntries = {{u"~/Projects"_s, true}};
         }},
        {"watchOneElementOfNoFormDroppedAlone",
         R"({"watchEntries": [7, {"path": "~/a", "enabled": false}, null, ["~/b"]]})",
         [](Settings &s) {
             s.watchEntries = {{u"~/a"_s, false}};
         }},
        {"watchPathMissing",
         R"({"watchEntries": [{"enabled": true}]})",
         [](Settings &) {
         }},
        {"watchPathNotString",
         R"({"watchEntries": [{"path": 3}]})",
         [](Settings &) {
         }},
        {"watchMixedForms",
         R"({"watchEntries": ["~/a", {"path": "~/b"}]})",
         [](Settings &s) {
             s.watchEntries = {{u"~/a"_s, true}, {u"~/b"_s, true}};
         }},
        {"watchEmpty",
         R"({"watchEntries": []})",
         [](Settings &s) {
             s.watchEntries.clear();
         }},
        {"watchPathsExactAndDuplicated",
         R"({"watchEntries": [" ~/a/ ", " ~/a/ ", "", "~\/x"]})",
         [](Settings &s) {
             s.watchEntries
                 = {{u" ~/a/ "_s, true}, {u" ~/a/ "_s, true}, {u""_s, true}, {u"~/x"_s, true}};
         }},
        {"escapedSlashes",
         R"({"lastNotifiedDate": "2026\/03\/12", "unit": "Gi\u0042"})",
         [](Settings &s) {
             s.lastNotifiedDate = QStringLiteral("2026/03/12");
             s.unit = ByteUnit::GiB;
         }},
        {"lastDuplicateKeyWins",
         R"({"scanHour": 3, "scanHour": 4})",
         [](Settings &s) {
             s.scanHour = 4;
         }},
        {"byteOrderMark",
         "\xEF\xBB\xBF{\"scanHour\": 5}",
         [](Settings &s) {
             s.scanHour = 5;
         }},
        {"anyWhitespace",
         " \r\n\t{ \"scanHour\"\t:\r\n6 } \n",
         [](Settings &s) {
             s.scanHour = 6;
         }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const Result<Settings> decoded = decodeSettings(row.json);
        ASSERT_TRUE(decoded.ok()) << decoded.error().description.toStdString();
        EXPECT_EQ(*decoded, defaultsWith(row.expect));
    }
    EXPECT_EQ(defaultList, defaultSettings().watchEntries);
}

TEST(SettingsJsonTest, ValueOfTheWrongTypeIsTreatedAsMissing)
{
    const QByteArray notInteger[] = {"\"20\"", "true", "null", "[]", "{}", "1.5", "[1]"};
    const QByteArray notBoolean[] = {"\"true\"", "1", "0", "null", "[]", "{}", "[true]"};
    const QByteArray notText[]
        = {"1", "true", "null", "[]", "{}", "[\"general\"]", "{\"a\":\"b\"}"};
    const QByteArray notWatchList[] = {"\"~/a\"",
                                       "1",
                                       "true",
                                       "null",
                                       "{}",
                                       "{\"path\": \"~/a\"}",
                                       "[1]",
                                       "[null]",
                                       "[[\"~/a\"]]",
                                       "[{}]",
                                       "[{\"path\": null}]",
                                       "[{\"path\": [\"~/a\"]}]",
                                       "[{\"path\": \"~/a\", \"enabled\": 1}]",
                                       "[1, {\"path\": 2}]"};
    const auto check = [](const char *key, const QByteArray &value) {
        const QByteArray json = withKey(key, value);
        const Result<Settings> decoded = decodeSettings(json);
        ASSERT_TRUE(decoded.ok()) << json.toStdString();
        EXPECT_EQ(*decoded, defaultSettings()) << json.toStdString();
    };
    for (const char *key : {"thresholdGB",
                            "criticalGB",
                            "scanHour",
                            "decimalDigits",
                            "refreshInterval",
                            "growthDaysBack"}) {
        for (const QByteArray &value : notInteger)
            check(key, value);
    }
    for (const char *key :
         {"launchAtLogin", "fdaGuideShown", "showGauge", "showExternalVolumes", "notifyEnabled"}) {
        for (const QByteArray &value : notBoolean)
            check(key, value);
    }
    for (const char *key :
         {"lastNotifiedDate", "notifiedUpdateVersion", "lastSettingsTab", "menuBarStyle", "unit"}) {
        for (const QByteArray &value : notText)
            check(key, value);
    }
    for (const QByteArray &value : notWatchList)
        check("watchEntries", value);
}

TEST(SettingsJsonTest, IntegersMustBeWholeAndWithinSixtyFourBits)
{
    // scanHour is stored without any range check, so it shows what the reader accepts.
    const std::pair<const char *, std::optional<qint64>> rows[] = {
        {"9223372036854775807", int64Max},
        {"-9223372036854775808", int64Min},
        {"9007199254740993", Q_INT64_C(9007199254740993)},
        {"-9007199254740993", Q_INT64_C(-9007199254740993)},
        {"-0", 0},
        {"-0.0", 0},
        {"1.0", 1},
        {"1e2", 100},
        {"9223372036854775808", std::nullopt},
        {"18446744073709551615", std::nullopt},
        {"-9223372036854777856", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"1.5", std::nullopt},
        {"-0.5", std::nullopt},
        {"9.3e18", std::nullopt},
        {"1e300", std::nullopt},
        {"-1e300", std::nullopt},
        {"4.9e-324", std::nullopt},
    };
    for (const auto &[literal, expected] : rows) {
        SCOPED_TRACE(literal);
        const Result<Settings> decoded = decodeSettings(withKey("scanHour", literal));
        ASSERT_TRUE(decoded.ok());
        EXPECT_EQ(decoded->scanHour, expected.value_or(defaultSettings().scanHour));
    }
}

TEST(SettingsJsonTest, OnlyTextThatIsNotAJsonObjectFails)
{
    const QByteArray deepArrays = QByteArray(100000, '[') + QByteArray(100000, ']');
    const QByteArray fiveMegabytesOfOpenBrackets = "{\"a\": " + QByteArray(5 << 20, '[');
    const std::pair<const char *, QByteArray> rows[] = {
        {"empty", QByteArray()},
        {"whitespaceOnly", " \n\t"},
        {"arrayTopLevel", "[]"},
        {"arrayOfSettings", "[{\"thresholdGB\": 5}]"},
        {"numberTopLevel", "42"},
        {"stringTopLevel", "\"settings\""},
        {"nullTopLevel", "null"},
        {"truncated", "{\"thresholdGB\": 5"},
        {"trailingGarbage", "{\"thresholdGB\": 5} x"},
        {"twoObjects", "{}{}"},
        {"trailingComma", "{\"thresholdGB\": 5,}"},
        {"singleQuotes", "{'thresholdGB': 5}"},
        {"comment", "{/* c */}"},
        {"nulByte", QByteArray("{\"thresholdGB\": 5}\0", 19)},
        {"utf16Text", QByteArray("{\0}\0", 4)},
        {"deeplyNestedArrays", deepArrays},
        {"fiveMegabytesOfOpenBrackets", fiveMegabytesOfOpenBrackets},
    };
    for (const auto &[name, json] : rows) {
        SCOPED_TRACE(name);
        const Result<Settings> decoded = decodeSettings(json);
        ASSERT_FALSE(decoded.ok());
        EXPECT_FALSE(decoded.error().description.isEmpty());
    }
}

TEST(SettingsJsonTest, AValueQtCannotHoldIsDroppedAndTheRestIsRead)
{
    // Valid JSON that Qt's reader refuses whole: numbers beyond a double and text that is not
    // UTF-8. Each is one bad value; the other keys keep their stored values.
    const std::pair<const char *, QByteArray> rows[] = {
        {"numberBeyondDouble", R"("scanHour": 1e400)"},
        {"negativeNumberBeyondDouble", R"("scanHour": -1e400)"},
        {"numberBelowDouble", R"("scanHour": 1e-400)"},
        {"invalidUtf8InValue", "\"lastSettingsTab\": \"\xff\xfe\""},
        {"invalidUtf8InAKeyLikeAKnownOne", "\"scan\xffHour\": 1"},
        {"invalidUtf8InUnknownKey", "\"\xc3\x28\": 1"},
        {"beyondDoubleInsideTheWatchList",
         R"("extra": {"a": [1e400, {"b": -1e400}]}, "watchEntries": ["~/A", 1e400])"},
    };
    for (const auto &[name, member] : rows) {
        SCOPED_TRACE(name);
        const Result<Settings> decoded
            = decodeSettings("{\"thresholdGB\": 30, " + member + ", \"criticalGB\": 7}");
        ASSERT_TRUE(decoded.ok()) << decoded.error().description.toStdString();
        EXPECT_EQ(decoded->thresholdGB, 30);
        EXPECT_EQ(decoded->criticalGB, 7);
        EXPECT_EQ(decoded->scanHour, defaultSettings().scanHour);
        EXPECT_EQ(decoded->lastSettingsTab, defaultSettings().lastSettingsTab);
    }
    // Still not JSON: the refused value is not the only fault.
    EXPECT_FALSE(decodeSettings("{\"scanHour\": 1e400,}").ok());
    EXPECT_FALSE(decodeSettings("{\"a\xff\": 1").ok());
}

TEST(SettingsJsonTest, LargeAndNestedValuesDoNotDisturbTheOtherKeys)
{
    const QByteArray nestedGarbage
        = QByteArray(500, '[') + "{\"x\": [null, {}]}" + QByteArray(500, ']');
    QByteArray manyEntries = "[";
    for (int i = 0; i < 100000; ++i)
        manyEntries += (i ? ",\"~/folder-" : "\"~/folder-") + QByteArray::number(i) + '"';
    manyEntries += ']';
    const QByteArray hugeUnknown = '"' + QByteArray(5 << 20, 'x') + '"';

    const QByteArray json = "{\"thresholdGB\": " + nestedGarbage + ", \"criticalGB\": {\"a\": "
                            + nestedGarbage + "}, \"unknown\": " + hugeUnknown
                            + ", \"watchEntries\": " + manyEntries + ", \"scanHour\": 3}";
    ASSERT_GT(json.size(), 5 << 20);
    const Result<Settings> decoded = decodeSettings(json);
    ASSERT_TRUE(decoded.ok()) << decoded.error().description.toStdString();
    EXPECT_EQ(decoded->thresholdGB, 20);
    EXPECT_EQ(decoded->criticalGB, 10);
    EXPECT_EQ(decoded->scanHour, 3);
    ASSERT_EQ(decoded->watchEntries.size(), 100000);
    EXPECT_EQ(decoded->watchEntries.last(), (WatchSetting{QStringLiteral("~/folder-99999"), true}));
}
