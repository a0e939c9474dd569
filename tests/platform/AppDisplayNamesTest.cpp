#include "platform/AppDisplayNames.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;

namespace {

std::optional<QString> text(const char *value)
{
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value);
}

const QByteArray boxesEntry = "[Desktop Entry]\n"
                              "# Translators: the application's name\n"
                              "Name=Boxes\n"
                              "Name[de]=Boxen\n"
                              "Name[pt]=Caixas\n"
                              "Name[pt_BR]=Boxes (Brasil)\n"
                              "Name[sr@latin]=Kutije\n"
                              "Name[fr]=\n"
                              "Comment=View and use virtual machines\n"
                              "Exec=gnome-boxes %U\n"
                              "Icon=org.gnome.Boxes\n"
                              "Type=Application\n"
                              "Actions=new-window;\n"
                              "\n"
                              "[Desktop Action new-window]\n"
                              "Name=New Window\n"
                              "Exec=gnome-boxes\n";

void writeEntry(const QString &dataFolder, const char *identifier, const QByteArray &contents)
{
    ASSERT_TRUE(test::writeFile(dataFolder + QStringLiteral("/applications/")
                                    + QString::fromLatin1(identifier) + QStringLiteral(".desktop"),
                                contents));
}

} // namespace

TEST(AppDisplayNames, IdentifierShapes)
{
    const std::pair<const char *, bool> bundleRows[] = {
        {"com.example.app", true},
        {"org.gnome.Boxes", true},
        {"com.example", false},
        {"Caches", false},
        {".com.example.app", false},
        {"com.example.app.", false},
        {"com.example app.x", false},
        {"com/example.app.x", false},
        {"com.exa\tmple.app", false},
        {"com.example.\u2028app", false},
        {"com.example.app\u00a0", false},
    };
    for (const auto &[candidate, expected] : bundleRows) {
        EXPECT_EQ(AppDisplayNames::looksLikeBundleIdentifier(QString::fromUtf8(candidate)),
                  expected)
            << candidate;
    }

    const std::pair<const char *, bool> teamRows[] = {
        {"ABCDE12345", true},
        {"ABCDE１２３４５", true}, // full-width digits are numbers too
        {"abcde12345", false},
        {"ABCDE1234", false},
        {"ABCDE123456", false},
        {"ÄBCDE12345", false},
        {"ABCDE-2345", false},
    };
    for (const auto &[candidate, expected] : teamRows) {
        EXPECT_EQ(AppDisplayNames::looksLikeTeamIdentifier(QString::fromUtf8(candidate)), expected)
            << candidate;
    }
}

TEST(AppDisplayNames, Candidates)
{
    struct Row
    {
        const char *name;
        QStringList expected;
    };
    const Row rows[] = {
        {"ABCDE12345.com.example.app",
         {QStringLiteral("ABCDE12345.com.example.app"), QStringLiteral("com.example.app")}},
        {"group.com.example.app",
         {QStringLiteral("group.com.example.app"), QStringLiteral("com.example.app")}},
        {"groups.com.example.app",
         {QStringLiteral("groups.com.example.app"), QStringLiteral("com.example.app")}},
        {"ABCDE12345.group.com.example.app",
         {QStringLiteral("ABCDE12345.group.com.example.app"),
          QStringLiteral("group.com.example.app"),
          QStringLiteral("com.example.app")}},
        {"group.com.example", {QStringLiteral("group.com.example")}},
        {"ABCDE12345.com.example", {QStringLiteral("ABCDE12345.com.example")}},
        {"abcde12345.com.example.app", {QStringLiteral("abcde12345.com.example.app")}},
        {"org.gnome.Boxes", {QStringLiteral("org.gnome.Boxes")}},
        {"Caches", {}},
        {"com.example", {}},
        {"com example.app.x", {}},
        {"com/example.app.x", {}},
        {".com.example.app", {}},
        {"com.example.app.", {}},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(AppDisplayNames::bundleIdentifierCandidates(QString::fromUtf8(row.name)),
                  row.expected)
            << row.name;
    }
}

TEST(AppDisplayNames, DesktopEntriesInDataFolders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString userData = dir.filePath(QStringLiteral("user share"));
    const QString systemData = dir.filePath(QStringLiteral("système/share"));

    writeEntry(userData, "org.gnome.Boxes", boxesEntry);
    // The user's copy marks the system's entry as deleted.
    writeEntry(userData, "org.example.Shadowed", "[Desktop Entry]\nName=Shadowed\nHidden=true\n");
    writeEntry(systemData, "org.example.Shadowed", "[Desktop Entry]\nName=System copy\n");
    writeEntry(systemData, "org.example.NoName", "[Desktop Entry]\nGenericName=Tool\nExec=t\n");
    writeEntry(systemData,
               "org.example.ActionOnly",
               "Name=Before any group\n[Desktop Entry]\nType=Application\n"
               "[Desktop Action open]\nName=Open Window\n");
    writeEntry(systemData,
               "com.example.Escaped",
               "[Desktop Entry]\r\nName = Fancy\\sTools\\\\2\r\nName=Duplicate\r\n");
    writeEntry(systemData, "org.example.Second", "[Desktop Entry]\nName=Second Folder\n");
    writeEntry(systemData, "ABCDE12345.org.example.Tool", "[Desktop Entry]\nName=\n");
    writeEntry(systemData, "org.example.Tool", "[Desktop Entry]\nName=Tool\n");

    AppDisplayNames names(desktopEntryResolver({userData, systemData}, QStringLiteral("C.UTF-8")));
    struct Row
    {
        const char *name;
        const char *expected;
        int lookups;
    };
    const Row rows[] = {
        {"org.gnome.Boxes", "Boxes", 1},
        {"org.example.Shadowed", nullptr, 1},
        {"org.example.NoName", nullptr, 1},
        {"org.example.ActionOnly", nullptr, 1},
        {"com.example.Escaped", "Fancy Tools\\2", 1},
        {"org.example.Second", "Second Folder", 1},
        {"org.example.NotInstalled", nullptr, 1},
        // An empty name counts as not found: the next candidate is asked.
        {"ABCDE12345.org.example.Tool", "Tool", 2},
        {"ABCDE12345.group.org.example.Tool", "Tool", 3},
        {"Caches", nullptr, 0},
    };
    int expectedLookups = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        expectedLookups += row.lookups;
        EXPECT_EQ(names.displayName(QString::fromUtf8(row.name)), text(row.expected));
        EXPECT_EQ(names.lookups(), expectedLookups);
    }

    // Every answer, found or not, is remembered: asking again looks nothing up.
    ASSERT_EQ(names.cache().size(), std::size(rows));
    EXPECT_TRUE(names.cache().contains(QStringLiteral("Caches")));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(names.displayName(QString::fromUtf8(row.name)), text(row.expected));
    }
    EXPECT_EQ(names.lookups(), expectedLookups);
}

TEST(AppDisplayNames, LocalizedNames)
{
    struct Row
    {
        const char *locale;
        const char *expected;
    };
    const Row rows[] = {
        {"C.UTF-8", "Boxes"},
        {"", "Boxes"},
        {"de_DE.UTF-8", "Boxen"},
        {"pt_BR.UTF-8", "Boxes (Brasil)"},
        {"pt_PT", "Caixas"},
        {"sr_RS.UTF-8@latin", "Kutije"},
        {"sr_RS", "Boxes"},
        {"fr_FR.UTF-8", "Boxes"}, // an empty translation falls back
    };
    for (const Row &row : rows) {
        EXPECT_EQ(desktopEntryName(boxesEntry, QString::fromUtf8(row.locale)), text(row.expected))
            << row.locale;
    }
    // Name is required: a translation alone does not make an entry valid.
    EXPECT_EQ(desktopEntryName("[Desktop Entry]\nName[de]=Nur Deutsch\n", QStringLiteral("de_DE")),
              std::nullopt);
    EXPECT_EQ(localeKeySuffixes(QStringLiteral("sr_YU.UTF-8@Latn")),
              QStringList({QStringLiteral("sr_YU@Latn"),
                           QStringLiteral("sr_YU"),
                           QStringLiteral("sr@Latn"),
                           QStringLiteral("sr")}));
    EXPECT_EQ(localeKeySuffixes(QStringLiteral("POSIX")), QStringList());
}

TEST(AppDisplayNames, DefaultResolverSearchesTheUsersDataAndFlatpakExports)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    ASSERT_TRUE(dataHome.startsWith(test::privateHome()));
    writeEntry(dataHome, "org.example.LocalTool", "[Desktop Entry]\nName=Local Tool\n");
    writeEntry(dataHome + QStringLiteral("/flatpak/exports/share"),
               "org.example.FlatpakTool",
               "[Desktop Entry]\nName=Flatpak Tool\n");

    const QStringList folders = applicationDataFolders();
    ASSERT_FALSE(folders.isEmpty());
    EXPECT_EQ(folders.first(), QDir::cleanPath(dataHome));
    EXPECT_EQ(folders.count(QDir::cleanPath(dataHome + QStringLiteral("/flatpak/exports/share"))),
              1);

    AppDisplayNames names;
    EXPECT_EQ(names.displayName(QStringLiteral("org.example.LocalTool")),
              QStringLiteral("Local Tool"));
    EXPECT_EQ(names.displayName(QStringLiteral("org.example.FlatpakTool")),
              QStringLiteral("Flatpak Tool"));
}
