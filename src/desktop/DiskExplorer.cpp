#include "desktop/DiskExplorer.h"

#include "platform/AppDisplayNames.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <QCoroDBusPendingCall>

namespace qm {

namespace {

struct KnownExplorer
{
    const char *name;
    const char *program;
    const char *desktopId;
};

constexpr KnownExplorer knownExplorers[] = {
    {"Baobab", "baobab", "org.gnome.baobab"},
    {"Filelight", "filelight", "org.kde.filelight"},
    {"QDirStat", "qdirstat", "qdirstat"},
};

QStringList pathFolders()
{
    return qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
}

// The words of an Exec line: white space separates, double quotes group, and inside quotes a
// backslash takes the next character literally.
QStringList execWords(const QString &line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < line.size())
                word += line[++i];
            else if (c == u'"')
                quoted = false;
            else
                word += c;
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

// The Exec value of the [Desktop Entry] group, absent when there is none or the entry is hidden.
std::optional<QString> desktopEntryExec(const QByteArray &contents)
{
    bool inEntry = false;
    std::optional<QString> exec;
    for (const QByteArray &rawLine : contents.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        if (line == QLatin1String("Hidden=true"))
            return std::nullopt;
        if (line.startsWith(QLatin1String("Exec=")) && !exec.has_value())
            exec = line.mid(5);
    }
    return exec;
}

} // namespace

std::optional<std::pair<QString, QStringList>>
desktopExecCommand(const QString &execLine, const QString &folder, const QStringList &searchPath)
{
    QStringList words = execWords(execLine);
    if (words.isEmpty())
        return std::nullopt;
    QString program = words.takeFirst();
    if (!QFileInfo(program).isAbsolute())
        program = QStandardPaths::findExecutable(program, searchPath);
    if (program.isEmpty() || !QFileInfo(program).isExecutable())
        return std::nullopt;
    QStringList arguments;
    bool folderTaken = false;
    for (const QString &word : std::as_const(words)) {
        if (word == QLatin1String("%f") || word == QLatin1String("%F")
            || word == QLatin1String("%u") || word == QLatin1String("%U")) {
            arguments.append(folder);
            folderTaken = true;
        } else if (word.size() == 2 && word[0] == u'%' && word[1] != u'%') {
            continue; // %i, %c, %k and the deprecated codes stand for nothing we pass
        } else {
            arguments.append(QString(word).replace(QStringLiteral("%%"), QStringLiteral("%")));
        }
    }
    if (!folderTaken)
        arguments.append(folder);
    return std::pair{program, arguments};
}

std::optional<DiskExplorerCommand> findDiskExplorer(const QString &folder,
                                                    const QStringList &searchPath,
                                                    const QStringList &dataFolders)
{
    for (const KnownExplorer &known : knownExplorers) {
        const QString program
            = QStandardPaths::findExecutable(QString::fromLatin1(known.program), searchPath);
        if (!program.isEmpty())
            return DiskExplorerCommand{QString::fromLatin1(known.name), program, {folder}};
    }
    for (const KnownExplorer &known : knownExplorers) {
        for (const QString &dataFolder : dataFolders) {
            QFile entry(QDir(dataFolder)
                            .filePath(QStringLiteral("applications/")
                                      + QString::fromLatin1(known.desktopId)
                                      + QStringLiteral(".desktop")));
            if (!entry.open(QIODevice::ReadOnly))
                continue;
            // The first folder that has the entry decides, as for every desktop entry.
            const std::optional<QString> exec = desktopEntryExec(entry.readAll());
            if (!exec.has_value())
                break;
            if (const auto command = desktopExecCommand(*exec, folder, searchPath))
                return DiskExplorerCommand{
                    QString::fromLatin1(known.name), command->first, command->second};
            break;
        }
    }
    return std::nullopt;
}

DiskExplorer::DiskExplorer(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    if (m_services.searchPath.isEmpty())
        m_services.searchPath = pathFolders();
    if (m_services.dataFolders.isEmpty())
        m_services.dataFolders = applicationDataFolders();
    if (!m_services.startDetached)
        m_services.startDetached = [](const QString &program, const QStringList &arguments) {
            return QProcess::startDetached(program, arguments);
        };
    if (!m_services.showInFileManager)
        m_services.showInFileManager = showInFileManager;
}

void DiskExplorer::examine(const QString &folder)
{
    const std::optional<DiskExplorerCommand> explorer
        = findDiskExplorer(folder, m_services.searchPath, m_services.dataFolders);
    if (explorer.has_value() && m_services.startDetached(explorer->program, explorer->arguments)) {
        Q_EMIT examined(folder, explorer->name);
        return;
    }
    QCoro::connect(m_services.showInFileManager(folder), this, [this, folder] {
        Q_EMIT examined(folder, QString());
    });
}

QCoro::Task<> showInFileManager(QString folder)
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                         QStringLiteral("/org/freedesktop/FileManager1"),
                                         QStringLiteral("org.freedesktop.FileManager1"),
                                         QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(folder).toString()} << QString();
    const QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, 10'000);
    const QDBusMessage reply = co_await pending;
    if (reply.type() != QDBusMessage::ReplyMessage)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(folder).absolutePath()));
}

} // namespace qm
