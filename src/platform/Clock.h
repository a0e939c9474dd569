#pragma once

#include <QDateTime>

#include <functional>

namespace qm {

// The injectable source of the current time. The default is the system clock; tests pass a
// function over a value they advance.
using Clock = std::function<QDateTime()>;

inline Clock systemClock()
{
    return [] {
        return QDateTime::currentDateTime();
    };
}

} // namespace qm
