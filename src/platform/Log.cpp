#include "platform/Log.h"

namespace qm::log {

Q_LOGGING_CATEGORY(appModel, "org.quillmere.Quillmere.AppModel")
Q_LOGGING_CATEGORY(appDelegate, "org.quillmere.Quillmere.AppDelegate")
Q_LOGGING_CATEGORY(startUp, "org.quillmere.Quillmere.StartUp")
Q_LOGGING_CATEGORY(singleInstance, "org.quillmere.Quillmere.SingleInstance")
Q_LOGGING_CATEGORY(diskSpaceMonitor, "org.quillmere.Quillmere.DiskSpaceMonitor")
Q_LOGGING_CATEGORY(mainMenu, "org.quillmere.Quillmere.MainMenu")
Q_LOGGING_CATEGORY(update, "org.quillmere.Quillmere.Update")
Q_LOGGING_CATEGORY(records, "org.quillmere.Quillmere.Records")
Q_LOGGING_CATEGORY(snapshotScheduler, "org.quillmere.Quillmere.SnapshotScheduler")
Q_LOGGING_CATEGORY(cleanup, "org.quillmere.Quillmere.Cleanup")

void logDefault(Category category, const QString &text)
{
    qCInfo(category).noquote() << text;
}

void logInfo(Category category, const QString &text)
{
    qCDebug(category).noquote() << text;
}

void logError(Category category, const QString &text)
{
    qCCritical(category).noquote() << text;
}

QString shortCategoryName(const char *categoryName)
{
    const QString name = QString::fromUtf8(categoryName ? categoryName : "default");
    const QString prefix = QString::fromLatin1(applicationIdentifier) + QLatin1Char('.');
    return name.startsWith(prefix) ? name.mid(prefix.size()) : name;
}

bool isProgramCategory(QStringView shortName)
{
    static const QStringList names = [] {
        QStringList list;
        for (Category category : {appModel,
                                  appDelegate,
                                  startUp,
                                  singleInstance,
                                  diskSpaceMonitor,
                                  mainMenu,
                                  update,
                                  records,
                                  snapshotScheduler,
                                  cleanup})
            list.append(shortCategoryName(category().categoryName()));
        return list;
    }();
    return names.contains(shortName);
}

QString levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("info");
    case QtInfoMsg:
        return QStringLiteral("default");
    case QtWarningMsg:
    case QtCriticalMsg:
    case QtFatalMsg:
        break;
    }
    return QStringLiteral("error");
}

} // namespace qm::log
