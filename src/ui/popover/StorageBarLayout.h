#pragma once

#include "units/ByteUnit.h"

#include <QLocale>
#include <QString>

namespace qm {

// The shares of the storage bar's width, each 0...1, adding up to 1 (or all 0 without a total).
struct StorageBarFractions
{
    double used = 0;
    double purgeable = 0;
    double free = 0;

    friend bool operator==(const StorageBarFractions &, const StorageBarFractions &) = default;
};

// Used is (total - free) / total; purgeable is the part of free the system would reclaim, never
// more than free nor more than what used leaves; free is the rest.
StorageBarFractions storageBarFractions(qint64 free, qint64 total, qint64 purgeable);

// "Used 754 GB · Purgeable 0 GB · Free 246 GB / 1,000 GB" in the gigabyte form of the unit.
QString storageText(
    qint64 free, qint64 total, qint64 purgeable, ByteUnit unit, const QLocale &locale = QLocale());

} // namespace qm
