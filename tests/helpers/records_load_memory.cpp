// Loads a snapshots.json through the real store and prints what the load cost in resident
// memory, in kB: "<peak added> <still added>", the peak (VmHWM, reset just before) and the
// resident memory once the records are loaded, each over the resident memory before the load.
//   helper_records_load_memory <snapshots.json> <expected record count> [address space MB]
// With a third argument the process's address space is limited to that many MB first.
// Exits 1 when the load fails or gives another number of records.
#include "records/SnapshotStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

#include <cstdio>

#include <sys/resource.h>

namespace {

qint64 statusKilobytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 4)
        return 2;
    if (args.size() == 4) {
        const rlim_t limit = args.at(3).toULongLong() * 1024 * 1024;
        const struct rlimit addressSpace = {limit, limit};
        if (::setrlimit(RLIMIT_AS, &addressSpace) != 0)
            return 2;
    }
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (!clearRefs.open(QIODevice::WriteOnly) || clearRefs.write("5") != 1)
        return 1;
    clearRefs.close();
    const qint64 before = statusKilobytes("VmRSS");
    const qm::Result<QList<qm::Snapshot>> loaded
        = qm::SnapshotStore{args.at(1)}.load(QDateTime::currentDateTimeUtc());
    if (!loaded.ok() || loaded.value().size() != args.at(2).toLongLong())
        return 1;
    std::printf(
        "%lld %lld\n", statusKilobytes("VmHWM") - before, statusKilobytes("VmRSS") - before);
    return 0;
}
