#pragma once

#include "TallowinCore/base/TallowinClock.h"

#include <string>

namespace tallowin {

// An instant as the user reads it: in the local time zone, with the date spelled out in the user's language,
// "Monday, 16 March 2026, 09:00".
std::string localTimeText(TallowinInstant instant);

} // namespace tallowin
