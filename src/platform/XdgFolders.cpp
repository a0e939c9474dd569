#include "platform/XdgFolders.h"

#include <QDir>

namespace qm::xdg {

QString baseFolder(const char *variable, const QString &defaultInHome, const QString &home)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(home + QLatin1Char('/') + defaultInHome);
}

QString dataHome(const QString &home)
{
    return baseFolder("XDG_DATA_HOME", QStringLiteral(".local/share"), home);
}

QString stateHome()
{
    return baseFolder("XDG_STATE_HOME", QStringLiteral(".local/state"));
}

} // namespace qm::xdg
