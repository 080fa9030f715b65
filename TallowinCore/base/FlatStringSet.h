#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace tallowin {

// A set of borrowed strings with open addressing: no allocation per entry and eight bytes per slot (a hash tag
// and the entry's index), which matters when a deck's 50,000 cards and their history IDs are checked on every
// load and save. The strings must outlive the set.
class FlatStringSet
{
public:
    explicit FlatStringSet(std::size_t expected = 0)
    {
        m_entries.reserve(expected);
        m_slots.assign(std::bit_ceil(std::max<std::size_t>(16, expected + expected / 2)), 0);
    }

    // True when the text was not in the set yet.
    bool insert(std::string_view text) { return insert(text, hashOf(text)); }

    // As insert(text), with hash = hashOf(text) computed beforehand.
    bool insert(std::string_view text, std::uint64_t hash)
    {
        if ((m_entries.size() + 1) * 2 > m_slots.size())
            grow();
        const std::uint64_t tag = hash & 0xFFFFFFFF00000000ull;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
            const std::uint64_t slot = m_slots[index];
            if (slot == 0) {
                m_entries.push_back(text);
                m_slots[index] = tag | m_entries.size();
                return true;
            }
            if ((slot & 0xFFFFFFFF00000000ull) == tag && m_entries[(slot & 0xFFFFFFFFull) - 1] == text)
                return false;
        }
    }

    bool contains(std::string_view text) const { return contains(text, hashOf(text)); }

    // As contains(text), with hash = hashOf(text) computed beforehand.
    bool contains(std::string_view text, std::uint64_t hash) const
    {
        const std::uint64_t tag = hash & 0xFFFFFFFF00000000ull;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
            const std::uint64_t slot = m_slots[index];
            if (slot == 0)
                return false;
            if ((slot & 0xFFFFFFFF00000000ull) == tag && m_entries[(slot & 0xFFFFFFFFull) - 1] == text)
                return true;
        }
    }

    std::size_t size() const { return m_entries.size(); }

    static std::uint64_t hashOf(std::string_view text)
    {
        constexpr std::uint64_t multiplier = 0x9E3779B97F4A7C15ull;
        std::uint64_t hash = text.size() * multiplier;
        std::size_t offset = 0;
        for (; offset + 8 <= text.size(); offset += 8) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + offset, 8);
            hash = (hash ^ word) * multiplier;
            hash ^= hash >> 29;
        }
        std::uint64_t tail = 0;
        std::memcpy(&tail, text.data() + offset, text.size() - offset);
        hash = (hash ^ tail) * multiplier;
        return hash ^ (hash >> 31);
    }

private:
    void grow()
    {
        m_slots.assign(m_slots.size() * 2, 0);
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t entry = 0; entry < m_entries.size(); ++entry) {
            const std::uint64_t hash = hashOf(m_entries[entry]);
            std::size_t index = hash & mask;
            while (m_slots[index] != 0)
                index = (index + 1) & mask;
            m_slots[index] = (hash & 0xFFFFFFFF00000000ull) | (entry + 1);
        }
    }

    std::vector<std::string_view> m_entries;
    std::vector<std::uint64_t> m_slots;
};

} // namespace tallowin
