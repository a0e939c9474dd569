#pragma once

#include "freespace/Notifier.h"
#include "units/ByteUnit.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace qm {

// --- Notification requests -----------------------------------------------------------------

// The identifier of the update notification; being fixed, a newer one replaces an older one.
QString updateNotificationIdentifier();

// The key of the free-space notification's "Examine" action: open the watched volume's home
// folder in a disk explorer.
QString examineActionKey();

// The watched folder that grew most since yesterday, as the notification names it.
struct GrownFolderNote
{
    QString name;  // the folder's name as shown
    qint64 growth; // bytes, at least 1
};

// The notification posted when free space fell below the warning line: identifier "threshold-"
// and the UUID in its standard text form, title "Free space dropped below 20 GB", body
// "Free now: 19.9 GB. See what grew." (free space as the list size text in `locale`), or with a
// folder that grew since yesterday "Free now: 19.9 GB. Downloads grew 6 GB since yesterday.",
// the default sound, the user information "tab" = "growth", and the action "Examine".
NotificationRequest freeSpaceNotificationRequest(qint64 thresholdGB,
                                                 ByteUnit unit,
                                                 qint64 freeBytes,
                                                 const QUuid &uuid,
                                                 const QLocale &locale = QLocale(),
                                                 const std::optional<GrownFolderNote> &grown = {});

// The notification of an available update: identifier "update-available", title
// "Update available", body "Version 1.2 is available", the default sound, and the user
// information "action" = "update".
NotificationRequest updateNotificationRequest(const QString &version);

// --- The warning and critical lines --------------------------------------------------------

// What the user typed for a line: spaces and tabs at both ends are ignored (line breaks are
// not), then an optional single "+" or "-" and one or more digits, ASCII or the locale's own
// (Arabic-Indic "٢٠" reads 20 in Arabic), within the signed 64-bit range. Anything else, the
// empty text included, is no number.
std::optional<qint64> parseLineInput(const QString &text, const QLocale &locale = QLocale());

// The lowest warning line, in whole units. The critical line lies strictly below the warning
// line and is at least 1, so the warning line is at least 2: with a warning line of 1 both lines
// would be 1 and the yellow level could never be reached.
inline constexpr qint64 lowestWarningLine = 2;

// The largest warning line a volume of `totalCapacityBytes` allows, in whole units: 1000 when
// the capacity is unknown or below 1 byte, otherwise the capacity in whole units (rounded down),
// and never below lowestWarningLine (a volume smaller than two units still has a range).
qint64 warningLineLimit(std::optional<qint64> totalCapacityBytes, ByteUnit unit);

// `value` raised to lowestWarningLine and lowered to `limit`.
qint64 clampedWarningLine(qint64 value, qint64 limit);

// A change of the warning line by the user: when, and whether the value asked for was beyond
// the volume and so lowered to its capacity.
struct WarningLineChange
{
    QDateTime at;
    bool clampedToCapacity = false;
};

// How long a changed warning line waits before it may spend the day's notification: a value
// still being typed ("2", "20", "200") or tried out is not a reason to post one.
inline constexpr qint64 warningLineQuietSeconds = 60;

// Whether a free-space check at `now` may post the day's notification under the current line:
// always while the line is the one the program started with; after a change, once it has
// stood for warningLineQuietSeconds; never for a line lowered to the capacity (it would only say
// that anything at all is used), until the user sets another.
bool warningLineMayNotify(const std::optional<WarningLineChange> &change, const QDateTime &now);

// `value` lowered to one below the warning line, and raised to 1 (a warning line below
// lowestWarningLine, which the model never keeps, gives 1).
qint64 clampedCriticalLine(qint64 value, qint64 warningLine);

// "The warning line was rounded to 2–994 GB." (with an EN DASH).
QString warningLineRoundedNote(qint64 limit, ByteUnit unit);

// "The critical line was rounded to below the warning line."
QString criticalLineRoundedNote();

// Two notes shown together: the first, one space, the second.
QString joinedNotes(const QString &first, const QString &second);

// The note shown under the line fields: none for no note, the note itself for one, and the
// notes joined in order for more.
std::optional<QString> lineInputNote(const QStringList &notes);

} // namespace qm
