#pragma once

#include "TallowinCore/TallowinClock.h"
#include "TallowinCore/TallowinCommand.h"
#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/TallowinDocument.h"

#include <optional>
#include <set>
#include <string>

namespace tallowin {

// Applies deck commands. Stateless.
class TALLOWIN_CORE_EXPORT TallowinReducer
{
public:
    // Returns the new document, stamped with now and validated; when the command changes nothing, the input itself
    // (updatedAt untouched, no validation). revision never changes. Throws TallowinDomainError,
    // TaskContractError::invalidSourceURL (dismissing a candidate whose link has no key) and validation errors.
    static TallowinDocument apply(
        const TallowinCommand &command, const TallowinDocument &document, TallowinInstant now);

private:
    // Each returns the changed document, or nothing when the result would equal the input. The document is copied
    // at most once, after every check that can fail without a result has passed.
    static std::optional<TallowinDocument> activatingDueTasks(
        const TallowinDocument &document, TallowinInstant dueLimit, const std::string &stamp);
    static std::optional<TallowinDocument> movingToBack(const TallowinDocument &document, const std::string &taskID);
    static TallowinDocument beginningRun(const TallowinDocument &document, bool reviewAll);
    static TallowinDocument acceptingCandidate(
        const TallowinDocument &document, const std::string &candidateID, const std::string &stamp);
    static TallowinDocument dismissingCandidate(const TallowinDocument &document, const std::string &candidateID);
    static TallowinDocument merging(const TallowinDocument &document, const std::string &primaryID,
        const std::set<std::string> &selectedIDs, const std::string &title, const std::string &stamp);
};

} // namespace tallowin
