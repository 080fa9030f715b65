#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <cstdint>
#include <string>

namespace tallowin {

// Errors of source-link keys and of task contracts.
class TALLOWIN_CORE_EXPORT TaskContractError : public TallowinError
{
public:
    enum class Kind { unsupportedSchemaVersion, emptyField, invalidSourceURL, queuedInstructionChange };

    static TaskContractError unsupportedSchemaVersion(std::int64_t version);
    static TaskContractError emptyField(const std::string &fieldName);
    static TaskContractError invalidSourceURL(const std::string &url);
    static TaskContractError queuedInstructionChange(const std::string &taskID);

    Kind kind() const { return m_kind; }
    // The carried field name, URL or card ID; empty for the schema version case.
    const std::string &text() const { return m_text; }
    std::int64_t version() const { return m_version; }

    friend bool operator==(const TaskContractError &a, const TaskContractError &b)
    {
        return a.m_kind == b.m_kind && a.m_text == b.m_text && a.m_version == b.m_version;
    }

private:
    TaskContractError(Kind kind, std::string text, std::int64_t version, const std::string &message);

    Kind m_kind;
    std::string m_text;
    std::int64_t m_version = 0;
};

} // namespace tallowin
