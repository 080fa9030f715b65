#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

enum class JsonLayout {
    pretty, // one member per line, two-space indent; the deck file
    compact, // no white space; canonical forms compared byte by byte
};

enum class JsonSlashes {
    plain, // "/" as is; the deck file
    escaped, // "\/", as the platform's JSON encoder writes it by default
};

// A streaming JSON writer that appends to a string. Object keys must be given in ascending
// code-point order (checked in debug builds); non-ASCII text is written as UTF-8.
class TALLOWIN_CORE_EXPORT JsonWriter
{
public:
    JsonWriter(std::string &output, JsonLayout layout, JsonSlashes slashes);
    // A writer that goes on with an array at nesting depth `depth` (the outermost value is at depth 0) that
    // already holds `count` values, as another writer left it. Lets long arrays be written in parts, each
    // by its own writer into its own string, and joined with appendWritten.
    static JsonWriter continuingArray(
        std::string &output, JsonLayout layout, JsonSlashes slashes, std::size_t depth, std::size_t count);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name);

    void string(std::string_view text);
    void integer(std::int64_t value);
    // The shortest text that reads back to the same double. Throws for NaN and infinities.
    void number(double value);
    void boolean(bool value);
    void null();
    // Values of the current array that a continuingArray writer wrote, taken as written here.
    void appendWritten(std::string_view values, std::size_t count);
    // As appendWritten, for values that stay in a string of their own: the text that follows them is written
    // to `next`, and the whole is the strings one after another.
    void continueAfter(std::size_t count, std::string &next);

    template<typename T> void member(std::string_view name, const T &value);
    // A member only when the value is present: absent optionals are left out, never written as null.
    void optionalMember(std::string_view name, const std::optional<std::string> &value);
    void stringsMember(std::string_view name, const std::vector<std::string> &values);

    JsonLayout layout() const { return m_layout; }
    JsonSlashes slashes() const { return m_slashes; }
    // The nesting depth of the innermost open object or array; 0 for the outermost.
    std::size_t depth() const { return m_levels.empty() ? 0 : m_levels.size() - 1; }

    // Appends text as a quoted JSON string.
    static void appendQuoted(std::string &output, std::string_view text, JsonSlashes slashes);

private:
    struct Level
    {
        bool isObject = false;
        std::size_t count = 0;
#ifndef NDEBUG
        std::string lastKey;
#endif
    };

    void beforeValue();
    void newlineAndIndent();

    std::string *m_output;
    JsonLayout m_layout;
    JsonSlashes m_slashes;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};

template<typename T> void JsonWriter::member(std::string_view name, const T &value)
{
    key(name);
    if constexpr (std::is_same_v<T, bool>)
        boolean(value);
    else if constexpr (std::is_integral_v<T>)
        integer(static_cast<std::int64_t>(value));
    else if constexpr (std::is_floating_point_v<T>)
        number(value);
    else
        string(value);
}

} // namespace tallowin
