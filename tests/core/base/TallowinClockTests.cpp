#include "TallowinCore/base/TallowinClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace tallowin {
namespace {

using namespace std::chrono;

TallowinInstant instant(year_month_day day, hours h, minutes m, seconds s, milliseconds ms = milliseconds {0})
{
    return TallowinInstant {sys_days {day}} + h + m + s + ms;
}

// Sets TZ for one test and puts the previous value back, so calendar tests do not depend on the caller's zone.
class TimeZone
{
public:
    explicit TimeZone(const char *zone)
    {
        if (const char *previous = std::getenv("TZ"))
            m_previous = previous;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (m_previous)
            setenv("TZ", m_previous->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZone(const TimeZone &) = delete;
    TimeZone &operator=(const TimeZone &) = delete;

private:
    std::optional<std::string> m_previous;
};

TEST(ClockFormat, WritesUtcWithThreeFractionalDigits)
{
    EXPECT_EQ(TallowinClock::now(instant(2026y / 3 / 14, 9h, 26min, 53s, 589ms)), "2026-03-14T09:26:53.589Z");
    EXPECT_EQ(TallowinClock::now(instant(2026y / 1 / 2, 3h, 4min, 5s)), "2026-01-02T03:04:05.000Z");
    EXPECT_EQ(TallowinClock::now(instant(2026y / 12 / 31, 23h, 59min, 59s, 7ms)), "2026-12-31T23:59:59.007Z");
    EXPECT_EQ(TallowinClock::now(instant(812y / 2 / 3, 0h, 0min, 0s)), "0812-02-03T00:00:00.000Z");
}

TEST(ClockFormat, InstantsBeforeTheEpochRoundDown)
{
    EXPECT_EQ(TallowinClock::now(TallowinInstant {milliseconds {-1}}), "1969-12-31T23:59:59.999Z");
    EXPECT_EQ(TallowinClock::now(TallowinInstant {milliseconds {0}}), "1970-01-01T00:00:00.000Z");
}

TEST(ClockFormat, CurrentHasMillisecondPrecisionAndRoundTrips)
{
    const TallowinInstant current = TallowinClock::current();
    EXPECT_EQ(TallowinClock::date(TallowinClock::now(current)), current);
}

TEST(ClockParse, ReadsBothTimestampForms)
{
    EXPECT_EQ(TallowinClock::date("2026-01-02T03:04:05Z"), instant(2026y / 1 / 2, 3h, 4min, 5s));
    EXPECT_EQ(TallowinClock::date("2026-01-02T03:04:05.678Z"), instant(2026y / 1 / 2, 3h, 4min, 5s, 678ms));
    EXPECT_EQ(TallowinClock::date("2026-03-14T09:26:53.589Z"), instant(2026y / 3 / 14, 9h, 26min, 53s, 589ms));
    EXPECT_EQ(TallowinClock::date("2024-02-29T00:00:00Z"), instant(2024y / 2 / 29, 0h, 0min, 0s));
}

TEST(ClockParse, FractionsOfAnyLengthAreTruncatedToMilliseconds)
{
    EXPECT_EQ(TallowinClock::date("2026-01-02T03:04:05.5Z"), instant(2026y / 1 / 2, 3h, 4min, 5s, 500ms));
    EXPECT_EQ(TallowinClock::date("2026-01-02T03:04:05.06Z"), instant(2026y / 1 / 2, 3h, 4min, 5s, 60ms));
    EXPECT_EQ(TallowinClock::date("2026-01-02T03:04:05.123456789Z"), instant(2026y / 1 / 2, 3h, 4min, 5s, 123ms));
    EXPECT_EQ(TallowinClock::date("2026-01-02T03:04:05.9999Z"), instant(2026y / 1 / 2, 3h, 4min, 5s, 999ms));
}

TEST(ClockParse, NumericOffsetsAreConvertedToUtc)
{
    EXPECT_EQ(TallowinClock::date("2026-01-02T03:04:05+02:00"), instant(2026y / 1 / 2, 1h, 4min, 5s));
    EXPECT_EQ(TallowinClock::date("2026-01-02T23:30:00-05:30"), instant(2026y / 1 / 3, 5h, 0min, 0s));
    EXPECT_EQ(TallowinClock::date("2026-01-01T00:15:00+01:00"), instant(2025y / 12 / 31, 23h, 15min, 0s));
    EXPECT_EQ(TallowinClock::date("2026-01-02T03:04:05-00:00"), instant(2026y / 1 / 2, 3h, 4min, 5s));
    EXPECT_EQ(TallowinClock::date("2026-01-02T03:04:05.250+02:00"), instant(2026y / 1 / 2, 1h, 4min, 5s, 250ms));
}

TEST(ClockParse, RejectsOtherShapes)
{
    for (const char *text :
        {"", "2026-01-02", "2026-01-02 03:04:05", "2026-01-02T03:04:05", "2026-01-02T03:04Z", "2026-1-02T03:04:05Z",
            "26-01-02T03:04:05Z", "2026-01-02T03:04:05.Z", "2026-01-02T03:04:05,5Z", "2026-01-02T03:04:05+0200",
            "2026-01-02T03:04:05+02", "2026-01-02T03:04:05ZZ", "2026-01-02T03:04:05Z ", " 2026-01-02T03:04:05Z",
            "2026-01-02T03:04:05.123Zjunk", "+2026-01-02T03:04:05Z", "2026-01-02T0a:04:05Z", "2026/01/02T03:04:05Z"})
        EXPECT_EQ(TallowinClock::date(text), std::nullopt) << text;
}

TEST(ClockParse, RejectsFieldsOutOfRange)
{
    for (const char *text : {"2026-13-01T00:00:00Z", "2026-00-10T00:00:00Z", "2026-02-30T00:00:00Z",
             "2026-02-29T00:00:00Z", "2026-04-31T00:00:00Z", "2026-01-00T00:00:00Z", "2026-01-02T24:00:00Z",
             "2026-01-02T23:60:00Z", "2026-01-02T23:59:60Z", "2026-01-02T03:04:05+24:00", "2026-01-02T03:04:05+02:60"})
        EXPECT_FALSE(TallowinClock::isTimestamp(text)) << text;
}

TEST(ClockCalendar, AddsWholeDaysKeepingMilliseconds)
{
    TimeZone zone("UTC");
    const TallowinInstant start = instant(2026y / 12 / 31, 23h, 30min, 0s, 250ms);
    EXPECT_EQ(TallowinClock::tomorrow(start), "2027-01-01T23:30:00.250Z");
    EXPECT_EQ(TallowinClock::nextWeek(start), "2027-01-07T23:30:00.250Z");
    EXPECT_EQ(TallowinClock::tomorrow(instant(2028y / 2 / 28, 8h, 0min, 0s)), "2028-02-29T08:00:00.000Z");
}

TEST(ClockCalendar, KeepsWallClockTimeAcrossDaylightSaving)
{
    TimeZone zone("Europe/Berlin");
    // 11:00 CET the day before summer time begins, 11:00 CEST the day after.
    EXPECT_EQ(TallowinClock::tomorrow(instant(2026y / 3 / 28, 10h, 0min, 0s)), "2026-03-29T09:00:00.000Z");
    EXPECT_EQ(TallowinClock::nextWeek(instant(2026y / 3 / 25, 10h, 0min, 0s, 42ms)), "2026-04-01T09:00:00.042Z");
    // 12:00 CEST before winter time returns, 12:00 CET after.
    EXPECT_EQ(TallowinClock::nextWeek(instant(2026y / 10 / 20, 10h, 0min, 0s)), "2026-10-27T11:00:00.000Z");
    EXPECT_EQ(TallowinClock::tomorrow(instant(2026y / 10 / 24, 10h, 0min, 0s)), "2026-10-25T11:00:00.000Z");
    // 02:30 does not exist on the day summer time begins; it is read with winter time, which is 03:30 CEST.
    EXPECT_EQ(TallowinClock::tomorrow(instant(2026y / 3 / 28, 1h, 30min, 0s)), "2026-03-29T01:30:00.000Z");
    // 02:30 happens twice when winter time returns; the later one is taken, whatever was computed before.
    EXPECT_EQ(TallowinClock::tomorrow(instant(2026y / 10 / 24, 0h, 30min, 0s)), "2026-10-25T01:30:00.000Z");
    EXPECT_EQ(TallowinClock::tomorrow(instant(2026y / 10 / 24, 1h, 30min, 0s)), "2026-10-25T02:30:00.000Z");
    // 00:30 local on the day summer time begins is still the previous day in UTC.
    EXPECT_EQ(TallowinClock::tomorrow(instant(2026y / 3 / 28, 23h, 30min, 0s)), "2026-03-29T22:30:00.000Z");
}

} // namespace
} // namespace tallowin
