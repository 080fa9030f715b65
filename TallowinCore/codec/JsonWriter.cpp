#include "TallowinCore/codec/JsonWriter.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace tallowin {

namespace {

// Which bytes need an escape: control characters, the quote, the backslash and, optionally, the slash.
constexpr std::array<bool, 256> makeEscapeTable(bool slash)
{
    std::array<bool, 256> table {};
    for (int c = 0; c < 0x20; ++c)
        table[c] = true;
    table['"'] = true;
    table['\\'] = true;
    table['/'] = slash;
    return table;
}

constexpr auto plainEscapes = makeEscapeTable(false);
constexpr auto slashEscapes = makeEscapeTable(true);

void appendEscape(std::string &output, unsigned char c)
{
    switch (c) {
    case '"':
        output += "\\\"";
        return;
    case '\\':
        output += "\\\\";
        return;
    case '/':
        output += "\\/";
        return;
    case '\n':
        output += "\\n";
        return;
    case '\r':
        output += "\\r";
        return;
    case '\t':
        output += "\\t";
        return;
    case '\b':
        output += "\\b";
        return;
    case '\f':
        output += "\\f";
        return;
    default: {
        static constexpr char hex[] = "0123456789abcdef";
        const char escaped[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0x0F]};
        output.append(escaped, sizeof escaped);
    }
    }
}

} // namespace

JsonWriter::JsonWriter(std::string &output, JsonLayout layout, JsonSlashes slashes)
    : m_output(&output)
    , m_layout(layout)
    , m_slashes(slashes)
{
    m_levels.reserve(8);
}

JsonWriter JsonWriter::continuingArray(
    std::string &output, JsonLayout layout, JsonSlashes slashes, std::size_t depth, std::size_t count)
{
    JsonWriter writer(output, layout, slashes);
    // Only the depth and the innermost array's count shape what is written; the levels outside are never closed.
    writer.m_levels.resize(depth + 1);
    writer.m_levels.back().count = count;
    return writer;
}

void JsonWriter::appendWritten(std::string_view values, std::size_t count)
{
    assert(!m_levels.empty() && !m_levels.back().isObject && !m_afterKey);
    m_output->append(values);
    m_levels.back().count += count;
}

void JsonWriter::continueAfter(std::size_t count, std::string &next)
{
    assert(!m_levels.empty() && !m_levels.back().isObject && !m_afterKey);
    m_levels.back().count += count;
    m_output = &next;
}

namespace {

// Whether any of eight bytes needs an escape; exact for the bytes that matter (all below 0x80).
bool wordNeedsEscape(std::uint64_t word, bool slash)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    constexpr std::uint64_t highs = 0x8080808080808080ull;
    const auto hasZeroByte = [](std::uint64_t value) { return (value - ones) & ~value & highs; };
    std::uint64_t hits
        = ((word - ones * 0x20) & ~word & highs) | hasZeroByte(word ^ (ones * '"')) | hasZeroByte(word ^ (ones * '\\'));
    if (slash)
        hits |= hasZeroByte(word ^ (ones * '/'));
    return hits != 0;
}

} // namespace

void JsonWriter::appendQuoted(std::string &output, std::string_view text, JsonSlashes slashes)
{
    const bool slash = slashes == JsonSlashes::escaped;
    const auto &table = slash ? slashEscapes : plainEscapes;
    output.push_back('"');
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        // Long texts are mostly plain: skip eight bytes at a time until a word holds something to escape.
        if (i + 8 <= text.size()) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            if (!wordNeedsEscape(word, slash)) {
                i += 8;
                continue;
            }
        }
        const std::size_t end = std::min(text.size(), i + 8);
        for (; i < end; ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (!table[c])
                continue;
            output.append(text.data() + runStart, i - runStart);
            appendEscape(output, c);
            runStart = i + 1;
        }
    }
    output.append(text.data() + runStart, text.size() - runStart);
    output.push_back('"');
}

void JsonWriter::newlineAndIndent()
{
    m_output->push_back('\n');
    m_output->append(m_levels.size() * 2, ' ');
}

void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty())
        return;
    Level &level = m_levels.back();
    assert(!level.isObject && "a value inside an object needs a key");
    if (level.count++ > 0)
        m_output->push_back(',');
    if (m_layout == JsonLayout::pretty)
        newlineAndIndent();
}

void JsonWriter::key(std::string_view name)
{
    assert(!m_levels.empty() && m_levels.back().isObject && !m_afterKey);
    Level &level = m_levels.back();
#ifndef NDEBUG
    assert((level.count == 0 || level.lastKey < name) && "object keys must be written in ascending order");
    level.lastKey = std::string(name);
#endif
    if (level.count++ > 0)
        m_output->push_back(',');
    if (m_layout == JsonLayout::pretty)
        newlineAndIndent();
    appendQuoted(*m_output, name, m_slashes);
    *m_output += m_layout == JsonLayout::pretty ? ": " : ":";
    m_afterKey = true;
}

void JsonWriter::beginObject()
{
    beforeValue();
    m_output->push_back('{');
    m_levels.emplace_back().isObject = true;
}

void JsonWriter::endObject()
{
    assert(!m_levels.empty() && m_levels.back().isObject && !m_afterKey);
    const bool empty = m_levels.back().count == 0;
    m_levels.pop_back();
    if (!empty && m_layout == JsonLayout::pretty)
        newlineAndIndent();
    m_output->push_back('}');
}

void JsonWriter::beginArray()
{
    beforeValue();
    m_output->push_back('[');
    m_levels.emplace_back().isObject = false;
}

void JsonWriter::endArray()
{
    assert(!m_levels.empty() && !m_levels.back().isObject);
    const bool empty = m_levels.back().count == 0;
    m_levels.pop_back();
    if (!empty && m_layout == JsonLayout::pretty)
        newlineAndIndent();
    m_output->push_back(']');
}

void JsonWriter::string(std::string_view text)
{
    beforeValue();
    appendQuoted(*m_output, text, m_slashes);
}

void JsonWriter::integer(std::int64_t value)
{
    beforeValue();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_output->append(buffer, result.ptr);
}

void JsonWriter::number(double value)
{
    if (!std::isfinite(value))
        throw std::invalid_argument("JSON cannot represent a number that is not finite.");
    beforeValue();
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_output->append(buffer, result.ptr);
}

void JsonWriter::boolean(bool value)
{
    beforeValue();
    *m_output += value ? "true" : "false";
}

void JsonWriter::optionalMember(std::string_view name, const std::optional<std::string> &value)
{
    if (value)
        member(name, *value);
}

void JsonWriter::stringsMember(std::string_view name, const std::vector<std::string> &values)
{
    key(name);
    beginArray();
    for (const std::string &value : values)
        string(value);
    endArray();
}

void JsonWriter::null()
{
    beforeValue();
    *m_output += "null";
}

} // namespace tallowin
