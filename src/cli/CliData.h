#pragma once

#include "records/ChildrenStore.h"
#include "records/Snapshot.h"
#include "settings/Settings.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qm {

// The program's data folder as the command-line tool sees it: read, never written. A damaged
// file is left where it is (the program moves it aside when it next reads it); the tool goes
// on with the defaults or without records and says so in `problems`.
struct CliData
{
    Settings settings;
    QList<Snapshot> records;
    Breakdown breakdown;
    QStringList problems; // one line per file that could not be read
};

// Reads settings.json, snapshots.json and children.json of `dataFolder`. Missing files are no
// problem: the defaults and no records, as on a first start.
CliData readCliData(const QString &dataFolder);

} // namespace qm
