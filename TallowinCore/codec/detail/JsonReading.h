#pragma once

// Reading records from simdjson's DOM, shared by the decoders of the deck and of task contracts.
// Every failure is a JsonReadError naming the key; callers add the path of enclosing values.

#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/document/ScanLane.h"
#include "TallowinCore/document/TaskKind.h"
#include "TallowinCore/document/TaskSource.h"
#include "TallowinCore/document/TaskState.h"

#include <simdjson.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowin::jsonreading {

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

// Finds a key among a record's keys. Files we write list keys in sorted order, so the table is sorted too
// and the search starts just after the previous hit: one comparison per member in the common case.
template<std::size_t N> class KeyTable
{
public:
    explicit constexpr KeyTable(std::array<std::string_view, N> keys)
        : m_keys(keys)
    { }

    static constexpr std::size_t size() { return N; }

    int find(std::string_view key, std::size_t &next) const
    {
        for (std::size_t step = 0; step < N; ++step) {
            const std::size_t index = (next + step) % N;
            if (sameKey(m_keys[index], key)) {
                next = index + 1;
                return static_cast<int>(index);
            }
        }
        return -1;
    }

    // Throws for the first required key (in table order) that was not seen.
    void requireAll(std::uint32_t seen, std::uint32_t required) const
    {
        const std::uint32_t missing = required & ~seen;
        if (missing == 0)
            return;
        for (std::size_t index = 0; index < N; ++index) {
            if (missing & (1u << index))
                throw JsonReadError::missingKey(std::string(m_keys[index]));
        }
    }

private:
    // Keys are short; comparing inline beats a library call per member.
    static bool sameKey(std::string_view known, std::string_view key)
    {
        if (known.size() != key.size())
            return false;
        for (std::size_t i = 0; i < key.size(); ++i) {
            if (known[i] != key[i])
                return false;
        }
        return true;
    }

    std::array<std::string_view, N> m_keys;
};

template<typename... Bits> constexpr std::uint32_t bits(Bits... indices)
{
    return ((1u << indices) | ...);
}

[[noreturn]] inline void wrongType(std::string_view key, const char *expected)
{
    throw JsonReadError::wrongType(std::string(key), expected);
}

inline std::string readString(element value, std::string_view key)
{
    std::string_view text;
    if (value.get_string().get(text))
        wrongType(key, "a string");
    return std::string(text);
}

inline std::optional<std::string> readOptionalString(element value, std::string_view key)
{
    if (value.is_null())
        return std::nullopt;
    return readString(value, key);
}

inline std::int64_t readInteger(element value, std::string_view key)
{
    std::int64_t number = 0;
    if (value.get_int64().get(number))
        wrongType(key, "an integer within the signed 64-bit range");
    return number;
}

inline double readNumber(element value, std::string_view key)
{
    double number = 0;
    if (value.get_double().get(number))
        wrongType(key, "a number");
    return number;
}

inline bool readBoolean(element value, std::string_view key)
{
    bool flag = false;
    if (value.get_bool().get(flag))
        wrongType(key, "true or false");
    return flag;
}

inline object readObject(element value, std::string_view key)
{
    object result;
    if (value.get_object().get(result))
        wrongType(key, "an object");
    return result;
}

inline array readArray(element value, std::string_view key)
{
    array result;
    if (value.get_array().get(result))
        wrongType(key, "an array");
    return result;
}

// Runs read on the elements from begin to end, appending to into; errors inside name the element's index
// in the whole array, the first of these being firstIndex.
template<typename T, typename Read>
void readItems(array::iterator begin, array::iterator end, std::size_t firstIndex, std::string_view key, Read read,
    std::vector<T> &into)
{
    std::size_t index = firstIndex;
    for (array::iterator item = begin; item != end; ++item) {
        try {
            into.push_back(read(*item));
        } catch (const JsonReadError &error) {
            throw error.nestedIn(std::string(key) + "[" + std::to_string(index) + "]");
        }
        ++index;
    }
}

// Runs read on each element; errors inside name the element's index.
template<typename T, typename Read> std::vector<T> readList(element value, std::string_view key, Read read)
{
    const array items = readArray(value, key);
    std::vector<T> result;
    result.reserve(items.size());
    readItems(items.begin(), items.end(), 0, key, read, result);
    return result;
}

inline std::vector<std::string> readStrings(element value, std::string_view key)
{
    return readList<std::string>(value, key, [](element item) { return readString(item, ""); });
}

inline std::optional<std::vector<std::string>> readOptionalStrings(element value, std::string_view key)
{
    if (value.is_null())
        return std::nullopt;
    return readStrings(value, key);
}

template<typename Enum>
Enum readEnum(element value, std::string_view key, std::optional<Enum> (*fromRaw)(std::string_view))
{
    std::string_view text;
    if (value.get_string().get(text))
        wrongType(key, "a string");
    const std::optional<Enum> result = fromRaw(text);
    if (!result)
        throw JsonReadError::unknownValue(std::string(key), std::string(text));
    return *result;
}

namespace sourceKey {
enum : int { label, resolvedAt, resolvedItemKey, sourceKey, url, count };
}
inline constexpr KeyTable<5> sourceKeys({"label", "resolvedAt", "resolvedItemKey", "sourceKey", "url"});
static_assert(sourceKeys.size() == sourceKey::count);

inline TaskSource readSource(element value)
{
    TaskSource source;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = sourceKeys.find(field.key, next);
        switch (index) {
        case sourceKey::label:
            source.label = readString(field.value, field.key);
            break;
        case sourceKey::resolvedAt:
            source.resolvedAt = readOptionalString(field.value, field.key);
            break;
        case sourceKey::resolvedItemKey:
            source.resolvedItemKey = readOptionalString(field.value, field.key);
            break;
        case sourceKey::sourceKey:
            source.sourceKey = readOptionalString(field.value, field.key);
            break;
        case sourceKey::url:
            source.url = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    sourceKeys.requireAll(seen, bits(sourceKey::label, sourceKey::url));
    return source;
}

// simdjson's message as the end of our sentence: lower-case start, no full stop.
inline std::string malformedDetail(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace tallowin::jsonreading
