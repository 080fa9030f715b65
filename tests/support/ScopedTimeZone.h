#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace tallowin::test {

// Sets TZ for the lifetime of the object and puts the previous value back, so calendar arithmetic does not depend
// on the zone the tests were started in.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char *zone)
    {
        if (const char *previous = std::getenv("TZ"))
            m_previous = previous;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_previous)
            ::setenv("TZ", m_previous->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    std::optional<std::string> m_previous;
};

} // namespace tallowin::test
