#include "tests/support/generator/DeckRandom.h"

namespace tallowin::bench {

std::string DeckRandom::uuid()
{
    static constexpr char hex[] = "0123456789abcdef";
    std::uint64_t high = m_engine();
    std::uint64_t low = m_engine();
    // Version 4, variant 10xx.
    high = (high & ~std::uint64_t(0xF000)) | 0x4000;
    low = (low & ~(std::uint64_t(0xC) << 60)) | (std::uint64_t(0x8) << 60);
    std::string text;
    text.reserve(36);
    for (int nibble = 15; nibble >= 0; --nibble) {
        text += hex[(high >> (nibble * 4)) & 0xF];
        if (nibble == 8 || nibble == 4)
            text += '-';
    }
    text += '-';
    for (int nibble = 15; nibble >= 0; --nibble) {
        text += hex[(low >> (nibble * 4)) & 0xF];
        if (nibble == 12)
            text += '-';
    }
    return text;
}

std::string DeckRandom::upperAlphanumeric(std::size_t count)
{
    static constexpr char alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string text(count, '0');
    for (char &c : text)
        c = alphabet[below(sizeof alphabet - 1)];
    return text;
}

std::string DeckRandom::digits(std::size_t count)
{
    std::string text(count, '0');
    for (char &c : text)
        c = static_cast<char>('0' + below(10));
    return text;
}

} // namespace tallowin::bench
