#pragma once

#include <QDir>
#include <QString>

// The per-user base folders of the XDG base-directory rules. A variable that is unset, empty or
// holds a relative path is ignored (the rules say so; Qt 6.4 would take a relative one relative
// to the working folder), and the default below the home folder is used.
namespace qm::xdg {

// `variable`'s value when it is an absolute path, else `home` + "/" + `defaultInHome`.
QString baseFolder(const char *variable,
                   const QString &defaultInHome,
                   const QString &home = QDir::homePath());

// $XDG_DATA_HOME, default "~/.local/share".
QString dataHome(const QString &home = QDir::homePath());

// $XDG_STATE_HOME, default "~/.local/state".
QString stateHome();

} // namespace qm::xdg
