#include "TallowinCore/settings/TallowinSettingsTOML.h"

#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/codec/JsonWriter.h"
#include "TallowinCore/settings/TallowinSettingsError.h"

#include <simdjson.h>

#include <algorithm>
#include <charconv>
#include <optional>

namespace tallowin {

namespace {

// Cuts the line at the first "#" outside double quotes. A backslash escapes the next character only
// inside quotes, so "\"#" inside a quoted name is no comment.
std::string_view withoutComment(std::string_view line)
{
    bool inQuotes = false;
    bool escaped = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (escaped)
            escaped = false;
        else if (c == '\\' && inQuotes)
            escaped = true;
        else if (c == '"')
            inQuotes = !inQuotes;
        else if (c == '#' && !inQuotes)
            return line.substr(0, i);
    }
    return line;
}

std::int64_t parseInteger(std::string_view value, const std::string &key)
{
    // from_chars takes a "-" but no "+", and would also take "-" after a "+"; so the sign is read here.
    std::string_view digits = value;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    const bool allDigits = !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
    std::int64_t result = 0;
    if (allDigits) {
        const char *first = value.front() == '-' ? value.data() : digits.data();
        const char *last = value.data() + value.size();
        const auto [end, error] = std::from_chars(first, last, result);
        if (error == std::errc() && end == last)
            return result;
    }
    throw TallowinSettingsError::invalidValue(key + " must be an integer");
}

bool parseBoolean(std::string_view value, const std::string &key)
{
    if (value == "true")
        return true;
    if (value == "false")
        return false;
    throw TallowinSettingsError::invalidValue(key + " must be true or false");
}

std::vector<std::string> parseNames(std::string_view value, const std::string &key)
{
    const simdjson::padded_string json(value);
    simdjson::dom::parser parser;
    simdjson::dom::array array;
    std::vector<std::string> names;
    if (parser.parse(json).get_array().get(array) == simdjson::SUCCESS) {
        bool allStrings = true;
        for (simdjson::dom::element element : array) {
            std::string_view name;
            if (element.get_string().get(name) != simdjson::SUCCESS) {
                allStrings = false;
                break;
            }
            names.emplace_back(name);
        }
        if (allStrings)
            return names;
    }
    throw TallowinSettingsError::invalidValue(key + " must be an array of quoted names");
}

void assign(TallowinSettings &settings, const std::string &key, std::string_view value, std::int64_t lineNumber)
{
    if (key == "schema_version")
        settings.schemaVersion = parseInteger(value, key);
    else if (key == "scan.enabled")
        settings.automaticScanEnabled = parseBoolean(value, key);
    else if (key == "scan.interval_hours")
        settings.scanIntervalHours = parseInteger(value, key);
    else if (key == "scan.initial_lookback_days")
        settings.initialLookbackDays = parseInteger(value, key);
    else if (key == "scan.lookback_days")
        settings.routineLookbackDays = parseInteger(value, key);
    else if (key == "scan.minimum_overlap_days")
        settings.minimumOverlapDays = parseInteger(value, key);
    else if (key == "vip.names")
        settings.vipNames = parseNames(value, key);
    else if (key == "vip.track_activity")
        settings.trackVIPActivity = parseBoolean(value, key);
    else if (key == "vip.track_comments")
        settings.trackVIPComments = parseBoolean(value, key);
    else if (key == "vip.track_pushed_changes")
        settings.trackVIPPushedChanges = parseBoolean(value, key);
    else
        throw TallowinSettingsError::unknownKey(key, lineNumber);
}

std::string encodedNames(const std::vector<std::string> &names)
{
    std::string json;
    // Slashes stay plain and DEL is escaped: "\/" and a raw DEL are valid JSON but not valid TOML,
    // and the file must stay readable by any TOML reader. Our reader accepts both forms.
    JsonWriter writer(json, JsonLayout::compact, JsonSlashes::plain);
    writer.beginArray();
    for (const std::string &name : names)
        writer.string(name);
    writer.endArray();
    // The writer copies bytes as they are; a name that is not UTF-8 would make the file unreadable.
    if (!simdjson::validate_utf8(json))
        throw TallowinSettingsError::invalidValue("vip.names could not be encoded");
    std::string escaped;
    escaped.reserve(json.size());
    for (const char c : json) {
        if (c == '\x7f')
            escaped += "\\u007f";
        else
            escaped += c;
    }
    return escaped;
}

const char *text(bool value)
{
    return value ? "true" : "false";
}

} // namespace

TallowinSettings TallowinSettingsTOML::decode(std::string_view text)
{
    TallowinSettings settings = TallowinSettings::defaults();
    std::optional<std::string> section;
    std::int64_t lineNumber = 0;
    std::size_t lineStart = 0;
    // Only LF ends a line; a CR stays part of the line and so of its value.
    while (lineStart <= text.size()) {
        const std::size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
        const std::string_view rawLine = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        ++lineNumber;

        const std::string_view line = UnicodeText::trimmedSpacesAndTabs(withoutComment(rawLine));
        if (line.empty())
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = std::string(line.substr(1, line.size() - 2));
            if (*section != "scan" && *section != "vip")
                throw TallowinSettingsError::unknownSection(*section, lineNumber);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            throw TallowinSettingsError::malformedLine(lineNumber);
        const std::string_view key = UnicodeText::trimmedSpacesAndTabs(line.substr(0, equals));
        const std::string_view value = UnicodeText::trimmedSpacesAndTabs(line.substr(equals + 1));
        // Before the first header a dotted key names its section itself.
        const std::string qualifiedKey = section ? *section + "." + std::string(key) : std::string(key);
        assign(settings, qualifiedKey, value, lineNumber);
    }
    return settings.validated();
}

std::string TallowinSettingsTOML::encode(const TallowinSettings &settings)
{
    const TallowinSettings valid = settings.validated();
    std::string out;
    out += "schema_version = " + std::to_string(valid.schemaVersion);
    out += "\n\n[scan]\nenabled = ";
    out += text(valid.automaticScanEnabled);
    out += "\ninterval_hours = " + std::to_string(valid.scanIntervalHours);
    out += "\ninitial_lookback_days = " + std::to_string(valid.initialLookbackDays);
    out += "\nlookback_days = " + std::to_string(valid.routineLookbackDays);
    out += "\nminimum_overlap_days = " + std::to_string(valid.minimumOverlapDays);
    out += "\n\n[vip]\nnames = " + encodedNames(valid.vipNames);
    out += "\ntrack_activity = ";
    out += text(valid.trackVIPActivity);
    out += "\ntrack_comments = ";
    out += text(valid.trackVIPComments);
    out += "\ntrack_pushed_changes = ";
    out += text(valid.trackVIPPushedChanges);
    out += "\n";
    return out;
}

} // namespace tallowin
