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

    template<typename T> void member(std::string_view name, const T &value);
    // A member only when the value is present: absent optionals are left out, never written as null.
    void optionalMember(std::string_view name, const std::optional<std::string> &value);
    void stringsMember(std::string_view name, const std::vector<std::string> &values);

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

    std::string &m_output;
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
