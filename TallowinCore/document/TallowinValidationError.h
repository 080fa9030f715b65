#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <cstdint>
#include <string>

namespace tallowin {

// The first rule a document breaks, found by validation or migration.
class TALLOWIN_CORE_EXPORT TallowinValidationError : public TallowinError
{
public:
    enum class Kind {
        unsupportedVersion,
        duplicateTaskID,
        duplicateHistoryID,
        invalidTimestamp,
        invalidDelayedTask,
        invalidRunTaskID,
        invalidProcessedTaskID,
        invalidMergeReference,
        invalidMergedTask,
        duplicateCandidateID,
        invalidCandidate,
        missingRunID,
    };

    static TallowinValidationError unsupportedVersion(std::int64_t version);
    static TallowinValidationError duplicateTaskID(const std::string &id);
    static TallowinValidationError duplicateHistoryID(const std::string &id);
    static TallowinValidationError invalidTimestamp(const std::string &text);
    static TallowinValidationError invalidDelayedTask(const std::string &taskID);
    static TallowinValidationError invalidRunTaskID(const std::string &id);
    static TallowinValidationError invalidProcessedTaskID(const std::string &id);
    static TallowinValidationError invalidMergeReference(const std::string &taskID);
    static TallowinValidationError invalidMergedTask(const std::string &taskID);
    static TallowinValidationError duplicateCandidateID(const std::string &id);
    static TallowinValidationError invalidCandidate(const std::string &candidateID);
    static TallowinValidationError missingRunID();

    Kind kind() const { return m_kind; }
    const std::string &text() const { return m_text; }
    std::int64_t version() const { return m_version; }

    friend bool operator==(const TallowinValidationError &a, const TallowinValidationError &b)
    {
        return a.m_kind == b.m_kind && a.m_text == b.m_text && a.m_version == b.m_version;
    }

private:
    TallowinValidationError(Kind kind, std::string text, std::int64_t version, const std::string &message);

    Kind m_kind;
    std::string m_text;
    std::int64_t m_version = 0;
};

} // namespace tallowin
