#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>

namespace tallowin::bench {

// Draws for the deck generator. Only raw engine output is used (the standard fixes it), never the standard
// distributions, whose results differ between library versions: a seed gives the same deck everywhere.
class DeckRandom
{
public:
    explicit DeckRandom(std::uint64_t seed)
        : m_engine(seed)
    { }

    // 0 <= result < bound; bound must be positive. The modulo bias is irrelevant here.
    std::uint64_t below(std::uint64_t bound) { return m_engine() % bound; }
    std::int64_t between(std::int64_t low, std::int64_t high)
    {
        return low + static_cast<std::int64_t>(below(static_cast<std::uint64_t>(high - low) + 1));
    }
    bool chance(unsigned percent) { return below(100) < percent; }
    std::string_view pick(std::span<const std::string_view> items) { return items[below(items.size())]; }

    // A version 4 UUID in lower-case text form, as the application makes them.
    std::string uuid();
    // count characters from [0-9A-Z], as in Slack conversation IDs.
    std::string upperAlphanumeric(std::size_t count);
    std::string digits(std::size_t count);

private:
    std::mt19937_64 m_engine;
};

} // namespace tallowin::bench
