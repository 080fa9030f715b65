#include "TallowinCore/base/TallowinClock.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <ctime>

namespace tallowin {

namespace {

using namespace std::chrono;

// Validation reads every timestamp of a deck through this parser, so it works on the bytes directly:
// no allocation, no locale, no stream.
class TimestampReader
{
public:
    explicit TimestampReader(std::string_view text)
        : m_text(text)
    { }

    std::optional<TallowinInstant> read()
    {
        int yearValue, monthValue, dayValue, hour, minute, second;
        if (!number(4, yearValue) || !literal('-') || !number(2, monthValue) || !literal('-') || !number(2, dayValue)
            || !literal('T') || !number(2, hour) || !literal(':') || !number(2, minute) || !literal(':')
            || !number(2, second))
            return std::nullopt;
        milliseconds fraction {0};
        if (literal('.') && !readFraction(fraction))
            return std::nullopt;
        minutes offset {0};
        if (!literal('Z') && !readOffset(offset))
            return std::nullopt;
        if (m_position != m_text.size())
            return std::nullopt;

        const year_month_day civil {year {yearValue}, month {unsigned(monthValue)}, day {unsigned(dayValue)}};
        if (!civil.ok() || hour > 23 || minute > 59 || second > 59)
            return std::nullopt;
        return TallowinInstant {sys_days {civil}} + hours {hour} + minutes {minute} + seconds {second} + fraction
            - offset;
    }

private:
    bool literal(char expected)
    {
        if (m_position >= m_text.size() || m_text[m_position] != expected)
            return false;
        ++m_position;
        return true;
    }

    int digitAt(std::size_t index) const
    {
        if (index >= m_text.size())
            return -1;
        const char c = m_text[index];
        return (c >= '0' && c <= '9') ? c - '0' : -1;
    }

    bool number(int width, int &value)
    {
        value = 0;
        for (int i = 0; i < width; ++i) {
            const int digit = digitAt(m_position);
            if (digit < 0)
                return false;
            value = value * 10 + digit;
            ++m_position;
        }
        return true;
    }

    // One or more digits; precision past milliseconds is dropped, not rounded.
    bool readFraction(milliseconds &fraction)
    {
        int value = 0;
        int digits = 0;
        for (int digit = digitAt(m_position); digit >= 0; digit = digitAt(++m_position)) {
            if (digits < 3)
                value = value * 10 + digit;
            ++digits;
        }
        if (digits == 0)
            return false;
        for (int i = digits; i < 3; ++i)
            value *= 10;
        fraction = milliseconds {value};
        return true;
    }

    bool readOffset(minutes &offset)
    {
        if (m_position >= m_text.size())
            return false;
        const char sign = m_text[m_position];
        if (sign != '+' && sign != '-')
            return false;
        ++m_position;
        int hour, minute;
        if (!number(2, hour) || !literal(':') || !number(2, minute) || hour > 23 || minute > 59)
            return false;
        offset = minutes {hour * 60 + minute};
        if (sign == '-')
            offset = -offset;
        return true;
    }

    std::string_view m_text;
    std::size_t m_position = 0;
};

// Where the canonical form has separators (which must match exactly) and where it has digits.
struct TimestampShape
{
    std::uint64_t separators[3] {};
    std::uint64_t separatorMask[3] {};
    std::uint64_t digitMask[3] {};
};

static_assert(std::endian::native == std::endian::little, "the word-wise timestamp check reads bytes little-endian");

constexpr TimestampShape canonicalShape()
{
    constexpr char pattern[25] = "0000-00-00T00:00:00.000Z";
    TimestampShape shape;
    for (int w = 0; w < 3; ++w) {
        for (int b = 0; b < 8; ++b) {
            const char c = pattern[w * 8 + b];
            const std::uint64_t shift = std::uint64_t(b) * 8;
            if (c == '0') {
                shape.digitMask[w] |= std::uint64_t(0x80) << shift;
            } else {
                shape.separators[w] |= std::uint64_t(static_cast<unsigned char>(c)) << shift;
                shape.separatorMask[w] |= std::uint64_t(0xFF) << shift;
            }
        }
    }
    return shape;
}

// The form every timestamp of ours has ("2026-03-14T09:26:53.589Z"), checked a word at a time without
// building an instant: decks hold tens of thousands of them and validation reads each one.
bool isCanonicalTimestamp(std::string_view text)
{
    if (text.size() != 24)
        return false;
    std::uint64_t words[3];
    std::memcpy(words, text.data(), 24);
    static constexpr TimestampShape shape = canonicalShape();
    const auto &separators = shape.separators;
    const auto &separatorMask = shape.separatorMask;
    const auto &digitMask = shape.digitMask;
    constexpr std::uint64_t zeros = 0x3030303030303030ull;
    constexpr std::uint64_t sevenSixes = 0x7676767676767676ull;
    for (int w = 0; w < 3; ++w) {
        if ((words[w] & separatorMask[w]) != separators[w])
            return false;
        // A digit byte minus '0' is 0 to 9; adding 0x76 sets the high bit from 10 on. Bytes below '0' or
        // with the high bit set are caught by the same bit after the subtraction borrows or the xor keeps it.
        const std::uint64_t offsets = words[w] ^ zeros;
        if (((offsets + sevenSixes) | offsets) & digitMask[w])
            return false;
    }
    const auto two = [&text](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    const int yearValue = two(0) * 100 + two(2);
    const int monthValue = two(5);
    const int dayValue = two(8);
    if (monthValue < 1 || monthValue > 12 || dayValue < 1 || two(11) > 23 || two(14) > 59 || two(17) > 59)
        return false;
    const year_month_day_last last {year {yearValue}, month_day_last {month {unsigned(monthValue)}}};
    return unsigned(dayValue) <= unsigned(last.day());
}

char *writeDigits(char *out, unsigned value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
    return out + width;
}

std::optional<long> localOffsetAt(std::time_t instant)
{
    std::tm local {};
    if (localtime_r(&instant, &local) == nullptr)
        return std::nullopt;
    return local.tm_gmtoff;
}

// Adds calendar days to the local wall-clock time and maps it back through the local zone, so a daylight-saving
// change keeps the time of day. mktime is not used: glibc seeds it with the offset of its previous call, so a
// repeated hour could resolve either way. Here a repeated time takes its later occurrence and a skipped time is read
// with the offset in force before the change (it lands one hour later), as calendar libraries do by default.
// Assumes at most one offset change within a day of the target, which holds for every real zone.
TallowinInstant addingLocalDays(TallowinInstant from, int days)
{
    const auto wholeSeconds = floor<seconds>(from);
    const auto fraction = from - wholeSeconds;
    const std::time_t start = std::time_t(wholeSeconds.time_since_epoch().count());
    constexpr std::time_t secondsPerDay = 86400;

    // localtime_r is not required to look at TZ again; tzset makes a changed zone count.
    tzset();
    const auto startOffset = localOffsetAt(start);
    if (!startOffset)
        return from;
    const std::time_t wall = start + *startOffset + days * secondsPerDay;
    const auto offsetBefore = localOffsetAt(wall - secondsPerDay);
    const auto offsetAfter = localOffsetAt(wall + secondsPerDay);
    if (!offsetBefore || !offsetAfter)
        return from;

    const auto showsWall = [wall](std::time_t candidate) {
        const auto offset = localOffsetAt(candidate);
        return offset && candidate + *offset == wall;
    };
    const std::time_t early = wall - std::max(*offsetBefore, *offsetAfter);
    const std::time_t late = wall - std::min(*offsetBefore, *offsetAfter);
    std::time_t result = wall - *offsetBefore;
    if (showsWall(late))
        result = late;
    else if (showsWall(early))
        result = early;
    return TallowinInstant {seconds {result}} + fraction;
}

} // namespace

TallowinInstant TallowinClock::current()
{
    return floor<milliseconds>(system_clock::now());
}

std::string TallowinClock::now(TallowinInstant instant)
{
    const auto dayPoint = floor<days>(instant);
    const year_month_day civil {dayPoint};
    const hh_mm_ss<milliseconds> time {instant - dayPoint};

    char buffer[40];
    char *out = buffer;
    int yearValue = int(civil.year());
    if (yearValue < 0) {
        *out++ = '-';
        yearValue = -yearValue;
    }
    if (yearValue <= 9999)
        out = writeDigits(out, unsigned(yearValue), 4);
    else
        out = std::to_chars(out, buffer + sizeof buffer, yearValue).ptr;
    *out++ = '-';
    out = writeDigits(out, unsigned(civil.month()), 2);
    *out++ = '-';
    out = writeDigits(out, unsigned(civil.day()), 2);
    *out++ = 'T';
    out = writeDigits(out, unsigned(time.hours().count()), 2);
    *out++ = ':';
    out = writeDigits(out, unsigned(time.minutes().count()), 2);
    *out++ = ':';
    out = writeDigits(out, unsigned(time.seconds().count()), 2);
    *out++ = '.';
    out = writeDigits(out, unsigned(time.subseconds().count()), 3);
    *out++ = 'Z';
    return std::string(buffer, out);
}

std::optional<TallowinInstant> TallowinClock::date(std::string_view text)
{
    return TimestampReader(text).read();
}

std::string TallowinClock::tomorrow(TallowinInstant from)
{
    return now(addingLocalDays(from, 1));
}

std::string TallowinClock::nextWeek(TallowinInstant from)
{
    return now(addingLocalDays(from, 7));
}

TallowinInstant TallowinClock::addingCalendarDays(TallowinInstant from, int days)
{
    return addingLocalDays(from, days);
}

bool TallowinClock::isTimestamp(std::string_view text)
{
    return isCanonicalTimestamp(text) || date(text).has_value();
}

} // namespace tallowin
