#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tallowin {

using TallowinInstant = std::chrono::sys_time<std::chrono::milliseconds>;

// The one timestamp format of the system: ISO 8601 in UTC with milliseconds, "2026-03-14T09:26:53.589Z".
// Nothing below the application reads the system clock except current().
struct TALLOWIN_CORE_EXPORT TallowinClock
{
    static TallowinInstant current();

    static std::string now(TallowinInstant instant);
    static std::string now() { return now(current()); }

    // Reads the format above, or internet date-time without fractional seconds, with "Z" or a numeric offset.
    static std::optional<TallowinInstant> date(std::string_view text);
    static bool isTimestamp(std::string_view text);

    // One and seven calendar days later in the local time zone (TZ), keeping the wall-clock time.
    static std::string tomorrow(TallowinInstant from);
    static std::string nextWeek(TallowinInstant from);
    // The same arithmetic for any number of days.
    static TallowinInstant addingCalendarDays(TallowinInstant from, int days);
};

} // namespace tallowin
