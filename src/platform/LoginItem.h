#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace qm {

// What the system says about the program's login item.
enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

// The system's facility that starts the program when the user logs in.
class LoginItemService
{
public:
    virtual ~LoginItemService() = default;

    // Asked anew at every call.
    virtual LoginItemStatus status() const = 0;
    virtual Status registerItem() = 0;
    virtual Status unregisterItem() = 0;
};

// The freedesktop.org autostart entry: a desktop file in "$XDG_CONFIG_HOME/autostart" (default
// "~/.config/autostart"). The item is registered while the file exists without "Hidden=true";
// it never waits for approval. Registering writes the file atomically (over a hidden entry too),
// unregistering removes it.
class XdgAutostartLoginItem final : public LoginItemService
{
public:
    // `programPath` is the executable the session starts (normally the running program's).
    explicit XdgAutostartLoginItem(QString programPath,
                                   QString desktopFilePath = defaultDesktopFilePath());

    // "$XDG_CONFIG_HOME/autostart/org.quillmere.Quillmere.desktop".
    static QString defaultDesktopFilePath();
    // The entry that registering writes.
    static QByteArray desktopFileContent(const QString &programPath);
    // Whether the text of a desktop file sets "Hidden=true" in its "[Desktop Entry]" group.
    static bool isHiddenEntry(const QByteArray &desktopFile);

    const QString &desktopFilePath() const { return m_desktopFilePath; }
    const QString &programPath() const { return m_programPath; }

    LoginItemStatus status() const override;
    Status registerItem() override;
    Status unregisterItem() override;

private:
    QString m_programPath;
    QString m_desktopFilePath;
};

// The login item of this build, starting `programPath`.
std::shared_ptr<LoginItemService> platformLoginItemService(const QString &programPath);

// The state behind the "Launch at Login" switch. It never holds a wish: after every change it
// reads the item's status again, so `isEnabled` is what the system will do. Main thread only;
// the desktop file is a few hundred bytes in the user's configuration folder, written like
// settings.json.
class LaunchAtLogin : public QObject
{
    Q_OBJECT

public:
    // Reads the status once.
    explicit LaunchAtLogin(std::shared_ptr<LoginItemService> service, QObject *parent = nullptr);

    bool isEnabled() const { return m_isEnabled; }
    // The item waits for the user's approval in the system's settings.
    bool needsApproval() const { return m_needsApproval; }
    // Why the last change failed; absent after a change that succeeded.
    const std::optional<QString> &lastError() const { return m_lastError; }
    LoginItemService &service() const { return *m_service; }

    // Reads the status again.
    void refresh();
    // Registers (on) or unregisters (off) the item, keeps the error of a failure in `lastError`,
    // then reads the status again.
    void setEnabled(bool on);

Q_SIGNALS:
    void isEnabledChanged();
    void needsApprovalChanged();
    void lastErrorChanged();

private:
    void setLastError(std::optional<QString> error);

    std::shared_ptr<LoginItemService> m_service;
    bool m_isEnabled = false;
    bool m_needsApproval = false;
    std::optional<QString> m_lastError;
};

} // namespace qm
