#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <cstdint>
#include <string>

namespace tallowin {

// Why Tallowin.toml could not be read or written. Line numbers are 1-based and count every line.
class TALLOWIN_CORE_EXPORT TallowinSettingsError : public TallowinError
{
public:
    enum class Kind {
        malformedLine,
        unknownSection,
        unknownKey,
        invalidValue,
        unsupportedSchemaVersion,
    };

    static TallowinSettingsError malformedLine(std::int64_t lineNumber);
    static TallowinSettingsError unknownSection(const std::string &name, std::int64_t lineNumber);
    static TallowinSettingsError unknownKey(const std::string &key, std::int64_t lineNumber);
    static TallowinSettingsError invalidValue(const std::string &message);
    static TallowinSettingsError unsupportedSchemaVersion(std::int64_t version);

    Kind kind() const { return m_kind; }
    // The section name, the qualified key or the invalid-value message; empty for the other cases.
    const std::string &text() const { return m_text; }
    // 0 for the cases without a line.
    std::int64_t lineNumber() const { return m_lineNumber; }
    // 0 unless the case is unsupportedSchemaVersion.
    std::int64_t version() const { return m_version; }

    friend bool operator==(const TallowinSettingsError &a, const TallowinSettingsError &b)
    {
        return a.m_kind == b.m_kind && a.m_text == b.m_text && a.m_lineNumber == b.m_lineNumber
            && a.m_version == b.m_version;
    }

private:
    TallowinSettingsError(
        Kind kind, std::string text, std::int64_t lineNumber, std::int64_t version, const std::string &message);

    Kind m_kind;
    std::string m_text;
    std::int64_t m_lineNumber = 0;
    std::int64_t m_version = 0;
};

} // namespace tallowin
