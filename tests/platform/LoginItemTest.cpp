#include "platform/LoginItem.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace qm;

namespace {

QString autostartFolder()
{
    return test::privateHome() + QStringLiteral("/.config/autostart");
}

QString desktopFile()
{
    return autostartFolder() + QStringLiteral("/org.quillmere.Quillmere.desktop");
}

void removeAutostart()
{
    QDir(autostartFolder()).removeRecursively();
    QFile::remove(autostartFolder());
}

// Can say "requires approval" and fail on request, which the autostart folder never does.
class ScriptedLoginItem final : public LoginItemService
{
public:
    LoginItemStatus current = LoginItemStatus::notRegistered;
    LoginItemStatus afterRegister = LoginItemStatus::enabled;
    std::optional<QString> unregisterError;

    LoginItemStatus status() const override { return current; }
    Status registerItem() override
    {
        current = afterRegister;
        return {};
    }
    Status unregisterItem() override
    {
        if (unregisterError)
            return Error{*unregisterError};
        current = LoginItemStatus::notRegistered;
        return {};
    }
};

} // namespace

TEST(LoginItem, TheSwitchWritesAndRemovesTheAutostartEntry)
{
    removeAutostart();
    EXPECT_EQ(XdgAutostartLoginItem::defaultDesktopFilePath(), desktopFile());
    LaunchAtLogin launch(
        std::make_shared<XdgAutostartLoginItem>(QStringLiteral("/opt/Quill Apps/quillmere")));
    QSignalSpy enabledChanges(&launch, &LaunchAtLogin::isEnabledChanged);
    EXPECT_FALSE(launch.isEnabled());

    launch.setEnabled(true);
    EXPECT_TRUE(launch.isEnabled());
    EXPECT_FALSE(launch.needsApproval());
    EXPECT_EQ(launch.lastError(), std::nullopt);
    EXPECT_EQ(enabledChanges.count(), 1);
    const QStringList lines = QString::fromUtf8(test::readFile(desktopFile()))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("[Desktop Entry]"));
    for (const QString &line : {QStringLiteral("Type=Application"),
                                QStringLiteral("Name=Quillmere"),
                                QStringLiteral("Exec=\"/opt/Quill Apps/quillmere\""),
                                QStringLiteral("X-GNOME-Autostart-enabled=true")})
        EXPECT_TRUE(lines.contains(line)) << line.toStdString();

    // Hidden by the user's desktop settings: not registered; switching on again un-hides it.
    ASSERT_TRUE(test::writeFile(desktopFile(), test::readFile(desktopFile()) + "Hidden=true\n"));
    launch.refresh();
    EXPECT_FALSE(launch.isEnabled());
    launch.setEnabled(true);
    EXPECT_TRUE(launch.isEnabled());
    EXPECT_FALSE(test::readFile(desktopFile()).contains("Hidden"));

    launch.setEnabled(false);
    EXPECT_FALSE(launch.isEnabled());
    EXPECT_FALSE(QFileInfo::exists(desktopFile()));
    const qsizetype changes = enabledChanges.count();
    launch.setEnabled(false);
    launch.refresh();
    EXPECT_EQ(launch.lastError(), std::nullopt);
    EXPECT_EQ(enabledChanges.count(), changes);
}

TEST(LoginItem, AFailedWriteShowsItsReasonWhileTheSwitchShowsTheRealState)
{
    removeAutostart();
    ASSERT_TRUE(test::writeFile(autostartFolder(), "a file where the folder should be"));
    LaunchAtLogin launch(std::make_shared<XdgAutostartLoginItem>(QStringLiteral("/usr/bin/q")));
    QSignalSpy errorChanges(&launch, &LaunchAtLogin::lastErrorChanged);

    launch.setEnabled(true);
    ASSERT_TRUE(launch.lastError().has_value());
    EXPECT_TRUE(launch.lastError()->contains(autostartFolder()))
        << launch.lastError()->toStdString();
    EXPECT_FALSE(launch.isEnabled());
    EXPECT_EQ(errorChanges.count(), 1);

    // The next change that works clears the error.
    QFile::remove(autostartFolder());
    launch.setEnabled(true);
    EXPECT_EQ(launch.lastError(), std::nullopt);
    EXPECT_TRUE(launch.isEnabled());
    EXPECT_EQ(errorChanges.count(), 2);
    removeAutostart();
}

TEST(LoginItem, DesktopEntryDetails)
{
    struct ExecRow
    {
        const char *name;
        QString program;
        QString exec;
    };
    const ExecRow execRows[] = {
        {"plain", QStringLiteral("/usr/bin/quillmere"), QStringLiteral("/usr/bin/quillmere")},
        {"space", QStringLiteral("/opt/My Apps/q"), QStringLiteral("\"/opt/My Apps/q\"")},
        {"dollar and quote",
         QStringLiteral("/opt/$x \"y\"/q"),
         QStringLiteral("\"/opt/\\\\$x \\\\\"y\\\\\"/q\"")},
        {"percent", QStringLiteral("/opt/100%/q"), QStringLiteral("/opt/100%%/q")},
    };
    for (const ExecRow &row : execRows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(QString::fromUtf8(XdgAutostartLoginItem::desktopFileContent(row.program))
                        .contains(QStringLiteral("\nExec=") + row.exec + QLatin1Char('\n')));
    }

    struct HiddenRow
    {
        const char *name;
        QByteArray entry;
        bool hidden;
    };
    const HiddenRow hiddenRows[] = {
        {"hidden", "[Desktop Entry]\nName=Q\nHidden=true\n", true},
        {"spaces around the sign", "[Desktop Entry]\nHidden = true\n", true},
        {"false", "[Desktop Entry]\nHidden=false\n", false},
        {"commented out", "[Desktop Entry]\n#Hidden=true\n", false},
        {"in another group", "[Desktop Entry]\nName=Q\n[Desktop Action x]\nHidden=true\n", false},
        {"none", "[Desktop Entry]\nName=Q\n", false},
    };
    for (const HiddenRow &row : hiddenRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(XdgAutostartLoginItem::isHiddenEntry(row.entry), row.hidden);
    }
}

TEST(LoginItem, TheSwitchMirrorsApprovalAndFailedRemovals)
{
    // Registered but waiting for the user's approval: a success that does not enable.
    auto item = std::make_shared<ScriptedLoginItem>();
    item->afterRegister = LoginItemStatus::requiresApproval;
    LaunchAtLogin launch(item);
    QSignalSpy approvalChanges(&launch, &LaunchAtLogin::needsApprovalChanged);
    launch.setEnabled(true);
    EXPECT_FALSE(launch.isEnabled());
    EXPECT_TRUE(launch.needsApproval());
    EXPECT_EQ(launch.lastError(), std::nullopt);
    EXPECT_EQ(approvalChanges.count(), 1);

    // Switching off fails: the error shows and the item stays on.
    item->current = LoginItemStatus::enabled;
    item->unregisterError = QStringLiteral("Operation not permitted");
    launch.refresh();
    launch.setEnabled(false);
    EXPECT_TRUE(launch.isEnabled());
    EXPECT_FALSE(launch.needsApproval());
    EXPECT_EQ(launch.lastError(), QStringLiteral("Operation not permitted"));
}
