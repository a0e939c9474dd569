#pragma once

#include <QLoggingCategory>
#include <QString>

// One logging category per component, named "org.quillmere.Quillmere.<Category>".
//
// Levels: the program speaks of three levels, "default", "info" and "error". They map to Qt's
// message types as default -> QtInfoMsg, info -> QtDebugMsg, error -> QtCriticalMsg; the log
// sink writes the program's names back.
namespace qm::log {

Q_DECLARE_LOGGING_CATEGORY(appModel)
Q_DECLARE_LOGGING_CATEGORY(appDelegate)
Q_DECLARE_LOGGING_CATEGORY(startUp)
Q_DECLARE_LOGGING_CATEGORY(singleInstance)
Q_DECLARE_LOGGING_CATEGORY(diskSpaceMonitor)
Q_DECLARE_LOGGING_CATEGORY(mainMenu)
Q_DECLARE_LOGGING_CATEGORY(update)
Q_DECLARE_LOGGING_CATEGORY(records)
Q_DECLARE_LOGGING_CATEGORY(snapshotScheduler)
Q_DECLARE_LOGGING_CATEGORY(cleanup)

using Category = const QLoggingCategory &(*)();

// The application identifier; also the prefix of every category name.
inline constexpr auto applicationIdentifier = "org.quillmere.Quillmere";

void logDefault(Category category, const QString &text);
void logInfo(Category category, const QString &text);
void logError(Category category, const QString &text);

// "org.quillmere.Quillmere.Records" -> "Records"; other names are returned unchanged.
QString shortCategoryName(const char *categoryName);

// Whether a short category name (as the log file shows it) is one of the program's own.
bool isProgramCategory(QStringView shortName);

// The program's level name for a Qt message type: "default", "info", "error" (warnings are
// "error" too; Qt's own debug output is "info").
QString levelName(QtMsgType type);

} // namespace qm::log
