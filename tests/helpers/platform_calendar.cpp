// Prints, for one instant, the program's day key and the C library's local day ("key <program>
// <libc>"), the program's and the C library's offsets from UTC ("offset <program> <libc>"),
// and the backup name of a damaged snapshots.json in the folder given as the first argument
// next to the C library's local minute ("backup <name> <yyyyMMddTHHmm>"). Run it under any TZ.
#include "platform/Calendar.h"
#include "records/SnapshotStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime local = now.toLocalTime(); // the C library's local time
    // Asked twice, as the program asks all the time: a fallback is logged once.
    qm::Calendar::current();
    const qm::Calendar calendar = qm::Calendar::current();
    std::printf("key %s %s\n",
                qPrintable(calendar.dayKey(now)),
                qPrintable(qm::Calendar::dayKey(local.date())));
    std::printf("offset %d %d\n", calendar.timeZone.offsetFromUtc(now), local.offsetFromUtc());

    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QFile damaged(folder.filePath(QStringLiteral("snapshots.json")));
    if (!damaged.open(QIODevice::WriteOnly) || damaged.write("{") != 1)
        return 3;
    damaged.close();
    if (!qm::SnapshotStore{damaged.fileName()}.load(now).ok())
        return 4;
    const QStringList backups = folder.entryList({QStringLiteral("snapshots.corrupt-*")});
    std::printf("backup %s %s\n",
                qPrintable(backups.join(u',')),
                qPrintable(local.toString(QStringLiteral("yyyyMMdd'T'HHmm"))));
    return 0;
}
