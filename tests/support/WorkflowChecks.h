#pragma once

#include "TallowinCore/base/TallowinClock.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace tallowin::test {

// Random identifiers cannot be predicted; tests check their form: a version 4 UUID in lower-case hexadecimal.
inline bool isLowercaseUUID(std::string_view text)
{
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return text[14] == '4' && std::string_view("89ab").find(text[19]) != std::string_view::npos;
}

// The instant of a timestamp written in a test; a typo fails loudly instead of reading as the epoch.
inline TallowinInstant instantAt(std::string_view timestamp)
{
    const auto instant = TallowinClock::date(timestamp);
    if (!instant)
        throw std::invalid_argument("not a timestamp: " + std::string(timestamp));
    return *instant;
}

} // namespace tallowin::test
