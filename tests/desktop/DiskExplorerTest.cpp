// "Examine" finds the disk explorer the user has installed, in a fixed order, as a program on
// PATH or as a desktop entry, and starts it with the folder; without one the file manager shows
// the folder.
#include "desktop/DiskExplorer.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

// A folder of stub programs that write their arguments, one per line, to "<name>.args".
class FakeBin
{
public:
    QString path() const { return m_dir.path(); }

    void add(const QString &name)
    {
        const QString file = m_dir.filePath(name);
        ASSERT_TRUE(test::writeFile(file, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n"));
        ASSERT_TRUE(QFile::setPermissions(
            file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    QStringList recordedArguments(const QString &name) const
    {
        const QString file = m_dir.filePath(name + u".args"_s);
        if (!test::waitUntil([&] { return QFile::exists(file) && QFileInfo(file).size() > 0; }))
            return {};
        return QString::fromUtf8(test::readFile(file)).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_dir;
};

const QString folder = u"/home/ann/Vidéos 2024"_s;

QCoro::Task<> recordShown(QStringList *shown, QString path)
{
    shown->append(path);
    co_return;
}

} // namespace

TEST(DiskExplorer, TheFirstInstalledExplorerIsFoundInAFixedOrder)
{
    struct Case
    {
        const char *name;
        QStringList programs;
        QString execLine; // of a Flatpak-style Baobab desktop entry, when not empty
        std::optional<QString> found;
    };
    const QList<Case> cases = {
        {"none", {}, {}, std::nullopt},
        {"qdirstatOnly", {u"qdirstat"_s}, {}, u"QDirStat"_s},
        {"filelightBeforeQdirstat", {u"qdirstat"_s, u"filelight"_s}, {}, u"Filelight"_s},
        {"baobabFirst", {u"qdirstat"_s, u"filelight"_s, u"baobab"_s}, {}, u"Baobab"_s},
        {"unrelatedPrograms", {u"baobab-helper"_s, u"du"_s}, {}, std::nullopt},
        {"desktopEntryOnly",
         {u"flatpak"_s},
         u"flatpak run --branch=stable --command=baobab org.gnome.baobab @@u %U @@"_s,
         u"Baobab"_s},
        {"programBeforeDesktopEntry",
         {u"flatpak"_s, u"filelight"_s},
         u"flatpak run org.gnome.baobab %U"_s,
         u"Filelight"_s},
        {"desktopEntryWhoseProgramIsMissing",
         {},
         u"flatpak run org.gnome.baobab %U"_s,
         std::nullopt},
    };
    for (const Case &c : cases) {
        FakeBin bin;
        for (const QString &program : c.programs)
            bin.add(program);
        QTemporaryDir data;
        if (!c.execLine.isEmpty()) {
            ASSERT_TRUE(test::writeFile(data.filePath(u"applications/org.gnome.baobab.desktop"_s),
                                        "[Desktop Entry]\nName=Disk Usage Analyzer\nExec="
                                            + c.execLine.toUtf8()
                                            + "\n[Desktop Action New]\n"
                                              "Exec=flatpak run --command=other x\n"));
        }
        const std::optional<DiskExplorerCommand> found
            = findDiskExplorer(folder, {bin.path()}, {data.path()});
        ASSERT_EQ(found.has_value(), c.found.has_value()) << c.name;
        if (found.has_value()) {
            EXPECT_EQ(found->name, *c.found) << c.name;
        }
    }
}

TEST(DiskExplorer, DesktopEntryExecLines)
{
    FakeBin bin;
    bin.add(u"flatpak"_s);
    const QString flatpak = bin.path() + u"/flatpak"_s;
    struct Case
    {
        const char *name;
        QString exec;
        std::optional<QStringList> arguments; // absent: no command
    };
    const QList<Case> cases = {
        {"fileForwarding",
         u"flatpak run --file-forwarding org.gnome.baobab @@u %U @@"_s,
         QStringList{
             u"run"_s, u"--file-forwarding"_s, u"org.gnome.baobab"_s, u"@@u"_s, folder, u"@@"_s}},
        {"noFieldCodeAppendsTheFolder",
         u"flatpak run org.kde.filelight"_s,
         QStringList{u"run"_s, u"org.kde.filelight"_s, folder}},
        {"otherCodesDroppedPercentKept",
         u"flatpak --name=\"A \\\"B\\\"\" %i %c 100%% %f"_s,
         QStringList{u"--name=A \"B\""_s, u"100%"_s, folder}},
        {"absoluteProgram", flatpak + u" %F"_s, QStringList{folder}},
        {"missingProgram", u"no-such-program %U"_s, std::nullopt},
        {"empty", u"  "_s, std::nullopt},
    };
    for (const Case &c : cases) {
        const auto command = desktopExecCommand(c.exec, folder, {bin.path()});
        ASSERT_EQ(command.has_value(), c.arguments.has_value()) << c.name;
        if (!command.has_value())
            continue;
        EXPECT_EQ(command->first, flatpak) << c.name;
        EXPECT_EQ(command->second, *c.arguments) << c.name;
    }
}

TEST(DiskExplorer, ExamineStartsTheExplorerWithTheFolderOrFallsBackToTheFileManager)
{
    FakeBin bin;
    bin.add(u"filelight"_s);
    QTemporaryDir noData;
    QStringList shown;
    DiskExplorer::Services services;
    services.searchPath = {bin.path()};
    services.dataFolders = {noData.path()};
    services.showInFileManager = [&shown](QString path) {
        return recordShown(&shown, path);
    };
    DiskExplorer explorer(services);
    QSignalSpy examined(&explorer, &DiskExplorer::examined);
    explorer.examine(folder);
    EXPECT_EQ(bin.recordedArguments(u"filelight"_s), QStringList{folder});
    ASSERT_EQ(examined.size(), 1);
    EXPECT_EQ(examined.first().value(1).toString(), u"Filelight"_s);
    EXPECT_TRUE(shown.isEmpty());

    // No explorer, or one that cannot be started: the file manager shows the folder.
    services.searchPath = {noData.path()};
    DiskExplorer none(services);
    none.examine(folder);
    services.searchPath = {bin.path()};
    services.startDetached = [](const QString &, const QStringList &) {
        return false;
    };
    DiskExplorer failing(services);
    failing.examine(folder);
    EXPECT_EQ(shown, (QStringList{folder, folder}));
}
