#include "TallowinCore/settings/TallowinSettingsError.h"

namespace tallowin {

TallowinSettingsError::TallowinSettingsError(
    Kind kind, std::string text, std::int64_t lineNumber, std::int64_t version, const std::string &message)
    : TallowinError(message)
    , m_kind(kind)
    , m_text(std::move(text))
    , m_lineNumber(lineNumber)
    , m_version(version)
{ }

TallowinSettingsError TallowinSettingsError::malformedLine(std::int64_t lineNumber)
{
    return {Kind::malformedLine, {}, lineNumber, 0,
        "Tallowin.toml line " + std::to_string(lineNumber) + " is not a valid setting."};
}

TallowinSettingsError TallowinSettingsError::unknownSection(const std::string &name, std::int64_t lineNumber)
{
    return {Kind::unknownSection, name, lineNumber, 0,
        "Tallowin.toml line " + std::to_string(lineNumber) + " uses the unknown section [" + name + "]."};
}

TallowinSettingsError TallowinSettingsError::unknownKey(const std::string &key, std::int64_t lineNumber)
{
    return {Kind::unknownKey, key, lineNumber, 0,
        "Tallowin.toml line " + std::to_string(lineNumber) + " uses the unknown setting " + key + "."};
}

TallowinSettingsError TallowinSettingsError::invalidValue(const std::string &message)
{
    return {Kind::invalidValue, message, 0, 0, "Tallowin.toml has an invalid value: " + message + "."};
}

TallowinSettingsError TallowinSettingsError::unsupportedSchemaVersion(std::int64_t version)
{
    return {Kind::unsupportedSchemaVersion, {}, 0, version,
        "Tallowin.toml schema version " + std::to_string(version) + " is not supported."};
}

} // namespace tallowin
