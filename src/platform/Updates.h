#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace qm {

// What an updater reports back about its own checks. Called on the main thread.
class UpdateReminding
{
public:
    virtual ~UpdateReminding() = default;

    // A scheduled check found `version`; the updater showed no window for it.
    virtual void scheduledUpdateFound(const QString &version) = 0;
    // The user turned to the update in the updater's own interface.
    virtual void userAttentionToUpdate() = 0;
    // The update session is over (installed, skipped, dismissed).
    virtual void updateSessionEnded() = 0;
};

// What the update controller needs of an updater.
class Updating
{
public:
    virtual ~Updating() = default;

    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
    // A back-reference that the updater does not own; the controller clears it when it goes.
    virtual UpdateReminding *reminding() const = 0;
    virtual void setReminding(UpdateReminding *reminding) = 0;
    // A check that the user asked for, shown in the updater's own window.
    virtual void checkForUpdates() = 0;
};

// The updater of this build; none where the system's packages update the program.
std::shared_ptr<Updating> platformUpdater();

// The update state that the views show, over an updater or, in a build without one, alone.
// Main thread only.
class UpdateController : public QObject, public UpdateReminding
{
    Q_OBJECT

public:
    // A version found by a scheduled check; `userInitiated` is always false from here.
    using ScheduledUpdateFound = std::function<void(const QString &version, bool userInitiated)>;
    using UserAttention = std::function<void()>;

    // With an updater: takes its `automaticallyChecksForUpdates` and becomes its `reminding`.
    // Without: checks are "on" and only this object holds the switch.
    explicit UpdateController(std::shared_ptr<Updating> updater = nullptr,
                              QObject *parent = nullptr);
    ~UpdateController() override;

    bool hasUpdater() const { return m_updater != nullptr; }
    Updating *updater() const { return m_updater.get(); }

    bool automaticallyChecksForUpdates() const { return m_automaticallyChecksForUpdates; }
    // Stores the value; a change is passed on to the updater.
    void setAutomaticallyChecksForUpdates(bool on);

    // The version a scheduled check found, until its update session ends.
    const std::optional<QString> &pendingVersion() const { return m_pendingVersion; }

    // Asks the updater for a user-initiated check; nothing without an updater.
    void checkForUpdates();

    void setOnScheduledUpdateFound(ScheduledUpdateFound hook);
    void setOnUserAttention(UserAttention hook);

    // UpdateReminding: a find sets `pendingVersion` and then calls the found hook (every time,
    // also for a version already pending); attention calls its hook; the end of the session
    // clears `pendingVersion`.
    void scheduledUpdateFound(const QString &version) override;
    void userAttentionToUpdate() override;
    void updateSessionEnded() override;

Q_SIGNALS:
    void automaticallyChecksForUpdatesChanged();
    void pendingVersionChanged();

private:
    void setPendingVersion(std::optional<QString> version);

    std::shared_ptr<Updating> m_updater;
    bool m_automaticallyChecksForUpdates = true;
    std::optional<QString> m_pendingVersion;
    ScheduledUpdateFound m_onScheduledUpdateFound;
    UserAttention m_onUserAttention;
};

} // namespace qm
