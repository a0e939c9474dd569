#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QThread>

#include <filesystem>

namespace qm::test {

namespace {
QTemporaryDir *homeDir = nullptr;
}

void setUpPrivateHome()
{
    if (homeDir)
        return;
    homeDir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/quillmere-test-XXXXXX"));
    const QByteArray home = QFile::encodeName(homeDir->path());
    qputenv("HOME", home);
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_STATE_HOME", home + "/.local/state");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    qputenv("LC_ALL", "C.UTF-8");
    const QString runtime = homeDir->path() + QStringLiteral("/.runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    for (const char *folder : {"/.local/share", "/.config", "/.local/state", "/.cache"})
        QDir().mkpath(homeDir->path() + QString::fromLatin1(folder));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void tearDownPrivateHome()
{
    // By bytes first: QTemporaryDir can't remove names that are not UTF-8, which some tests make.
    if (homeDir) {
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(homeDir->path()).constData(), ignored);
    }
    delete homeDir;
    homeDir = nullptr;
}

QString privateHome()
{
    return homeDir ? homeDir->path() : QDir::homePath();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

} // namespace qm::test
