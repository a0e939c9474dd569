#include "platform/LoginItem.h"

#include "platform/Log.h"
#include "storage/RecordFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace qm {

namespace {

// Characters that make an argument of the Exec key need quotes.
bool isReservedInExec(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

// One argument of the Exec key as the desktop entry format wants it: quoted when it holds a
// reserved character (with '"', '`', '$' and '\' escaped inside the quotes), '%' doubled, and
// then the escapes of every string value applied.
QString execArgument(const QString &argument)
{
    const bool quoted
        = argument.isEmpty() || std::any_of(argument.cbegin(), argument.cend(), isReservedInExec);
    QString exec;
    for (const QChar c : argument) {
        if (c == QLatin1Char('%'))
            exec += QStringLiteral("%%");
        else if (quoted
                 && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
                     || c == QLatin1Char('\\')))
            exec += QLatin1Char('\\') + c;
        else
            exec += c;
    }
    if (quoted)
        exec = QLatin1Char('"') + exec + QLatin1Char('"');

    QString value;
    for (const QChar c : std::as_const(exec)) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString programPath, QString desktopFilePath)
    : m_programPath(std::move(programPath))
    , m_desktopFilePath(std::move(desktopFilePath))
{}

QString XdgAutostartLoginItem::defaultDesktopFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/autostart/") + QString::fromLatin1(log::applicationIdentifier)
           + QStringLiteral(".desktop");
}

QByteArray XdgAutostartLoginItem::desktopFileContent(const QString &programPath)
{
    const QString content
        = QStringLiteral("[Desktop Entry]\n"
                         "Type=Application\n"
                         "Name=Quillmere\n"
                         "Comment=Shows free disk space and which folders grew\n"
                         "Exec=%1\n"
                         "Icon=%2\n"
                         "Terminal=false\n"
                         "X-GNOME-Autostart-enabled=true\n")
              .arg(execArgument(programPath), QString::fromLatin1(log::applicationIdentifier));
    return content.toUtf8();
}

bool XdgAutostartLoginItem::isHiddenEntry(const QByteArray &desktopFile)
{
    bool inEntryGroup = false;
    bool hidden = false;
    const QList<QByteArray> lines = desktopFile.split('\n');
    for (const QByteArray &rawLine : lines) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            inEntryGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inEntryGroup || equals < 0 || line.first(equals).trimmed() != "Hidden")
            continue;
        hidden = line.sliced(equals + 1).trimmed() == "true";
    }
    return hidden;
}

LoginItemStatus XdgAutostartLoginItem::status() const
{
    if (!QFileInfo(m_desktopFilePath).isFile())
        return LoginItemStatus::notRegistered;
    // A file that cannot be read is not started by the session either.
    QFile file(m_desktopFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return LoginItemStatus::notRegistered;
    return isHiddenEntry(file.readAll()) ? LoginItemStatus::notRegistered
                                         : LoginItemStatus::enabled;
}

Status XdgAutostartLoginItem::registerItem()
{
    return recordfile::writeAtomically(m_desktopFilePath, desktopFileContent(m_programPath));
}

Status XdgAutostartLoginItem::unregisterItem()
{
    const QFileInfo info(m_desktopFilePath);
    if (!info.exists() && !info.isSymLink())
        return {};
    QFile file(m_desktopFilePath);
    if (!file.remove())
        return Error{QStringLiteral("%1: %2").arg(m_desktopFilePath, file.errorString())};
    return {};
}

LaunchAtLogin::LaunchAtLogin(std::shared_ptr<LoginItemService> service, QObject *parent)
    : QObject(parent)
    , m_service(std::move(service))
{
    const LoginItemStatus status = m_service->status();
    m_isEnabled = status == LoginItemStatus::enabled;
    m_needsApproval = status == LoginItemStatus::requiresApproval;
}

void LaunchAtLogin::refresh()
{
    const LoginItemStatus status = m_service->status();
    const bool enabled = status == LoginItemStatus::enabled;
    const bool needsApproval = status == LoginItemStatus::requiresApproval;
    if (enabled != m_isEnabled) {
        m_isEnabled = enabled;
        Q_EMIT isEnabledChanged();
    }
    if (needsApproval != m_needsApproval) {
        m_needsApproval = needsApproval;
        Q_EMIT needsApprovalChanged();
    }
}

void LaunchAtLogin::setEnabled(bool on)
{
    const Status changed = on ? m_service->registerItem() : m_service->unregisterItem();
    setLastError(changed.ok() ? std::nullopt : std::optional(changed.error().description));
    refresh();
}

void LaunchAtLogin::setLastError(std::optional<QString> error)
{
    if (error == m_lastError)
        return;
    m_lastError = std::move(error);
    Q_EMIT lastErrorChanged();
}

} // namespace qm
