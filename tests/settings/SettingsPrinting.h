#pragma once

#include "settings/Settings.h"

#include <ostream>

namespace qm {

// GoogleTest shows a Settings value in a failure message as its settings.json text.
inline void PrintTo(const Settings &settings, std::ostream *os)
{
    *os << '\n' << encodeSettings(settings).toStdString();
}

} // namespace qm
