#pragma once

#include "cli/CliContext.h"

#include <QTimeZone>

namespace qm::test {

inline constexpr qint64 GB = 1'000'000'000;
inline constexpr qint64 MB = 1'000'000;

// A week of records of a user in Berlin with English (US) as the language, seen at noon on
// 20 May 2026: free space falls by 1 GB a day to 30 GB; since yesterday ~/Downloads grew by
// 1.5 GB (a film folder appeared, an iso folder grew by 200 MB), the Flatpak folder by 400 MB
// (inside org.gnome.Boxes), ~/Videos shrank by 1 GB and ~/Documents is new.
inline CliContext weekOfRecords()
{
    CliContext c;
    c.calendar.timeZone = QTimeZone("Europe/Berlin");
    c.now = QDateTime(QDate(2026, 5, 20), QTime(12, 0), c.calendar.timeZone);
    c.locale = QLocale(QLocale::English, QLocale::UnitedStates);
    c.home = QStringLiteral("/home/ann");
    c.reading = DiskSpace{25 * GB, 500 * GB, 0};
    c.displayName = [](const QString &name) -> std::optional<QString> {
        if (name == QLatin1String("org.gnome.Boxes"))
            return QStringLiteral("Boxes");
        return std::nullopt;
    };
    Settings &s = c.data.settings;
    s.watchEntries = {{QStringLiteral("~/Downloads"), true},
                      {QStringLiteral("~/.var/app"), true},
                      {QStringLiteral("~/Videos"), true},
                      {QStringLiteral("~/Documents"), true}};
    for (int back = 6; back >= 0; --back) {
        Snapshot record;
        record.date = Calendar::dayKey(QDate(2026, 5, 20).addDays(-back));
        record.free = (30 + back) * GB;
        c.data.records.append(record);
    }
    c.data.records[5].entries = {{QStringLiteral("~/Downloads"), 5 * GB},
                                 {QStringLiteral("~/.var/app"), 10 * GB},
                                 {QStringLiteral("~/Videos"), 2 * GB}};
    c.data.records[6].entries = {{QStringLiteral("~/Downloads"), 6500 * MB},
                                 {QStringLiteral("~/.var/app"), 10400 * MB},
                                 {QStringLiteral("~/Videos"), 1 * GB},
                                 {QStringLiteral("~/Documents"), 3 * GB}};
    c.data.breakdown = {
        {QStringLiteral("2026-05-19"),
         {{QStringLiteral("~/Downloads"), {{QStringLiteral("iso"), 4 * GB}}},
          {QStringLiteral("~/.var/app"), {{QStringLiteral("org.gnome.Boxes"), 8 * GB}}}}},
        {QStringLiteral("2026-05-20"),
         {{QStringLiteral("~/Downloads"),
           {{QStringLiteral("iso"), 4200 * MB}, {QStringLiteral("films"), 1 * GB}}},
          {QStringLiteral("~/.var/app"), {{QStringLiteral("org.gnome.Boxes"), 8400 * MB}}},
          {QStringLiteral("~/Documents"), {{QStringLiteral("notes"), 2 * GB}}}}},
    };
    return c;
}

} // namespace qm::test
