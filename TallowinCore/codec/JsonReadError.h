#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <string>

namespace tallowin {

// A JSON text that is malformed or does not fit the records; the message names the offending key.
class TALLOWIN_CORE_EXPORT JsonReadError : public TallowinError
{
public:
    enum class Kind { malformed, missingKey, wrongType, unknownValue };

    static JsonReadError malformed(const std::string &detail);
    static JsonReadError missingKey(const std::string &keyPath);
    static JsonReadError wrongType(const std::string &keyPath, const std::string &expected);
    static JsonReadError unknownValue(const std::string &keyPath, const std::string &value);

    Kind kind() const { return m_kind; }
    const std::string &keyPath() const { return m_keyPath; }
    // The same error found inside the value at prefix (for example "tasks[3]").
    JsonReadError nestedIn(const std::string &prefix) const;

    friend bool operator==(const JsonReadError &a, const JsonReadError &b)
    {
        return a.m_kind == b.m_kind && a.m_keyPath == b.m_keyPath && a.m_detail == b.m_detail;
    }

private:
    JsonReadError(Kind kind, std::string keyPath, std::string detail);
    static std::string message(Kind kind, const std::string &keyPath, const std::string &detail);

    Kind m_kind;
    std::string m_keyPath;
    std::string m_detail;
};

} // namespace tallowin
