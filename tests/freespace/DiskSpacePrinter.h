#pragma once

#include "freespace/DiskSpace.h"

#include <ostream>

namespace qm {

// Readable DiskSpace values in test failure messages.
inline void PrintTo(const DiskSpace &space, std::ostream *out)
{
    *out << "{free " << space.free << ", total " << space.total << ", purgeable " << space.purgeable
         << ", reserved " << space.reserved << "}";
}

} // namespace qm
