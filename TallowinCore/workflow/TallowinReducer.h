#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/workflow/TallowinCommand.h"

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
    // As above, changing the given document in place instead of copying it, for a caller that no longer needs it;
    // when the command changes nothing, that document is returned as it was. After an error thrown by a check
    // that precedes any change (a missing card or candidate, a link without a key, too few cards to merge) the
    // document is as it was; after a validation error it is unspecified.
    static TallowinDocument apply(const TallowinCommand &command, TallowinDocument &&document, TallowinInstant now);

private:
    class Input;

    // The changed, stamped and validated document, or nothing when the command changes nothing.
    static std::optional<TallowinDocument> applying(
        const TallowinCommand &command, const Input &input, TallowinInstant now);
    // Each returns the changed document, or nothing when the result would equal the input. Each takes the
    // document to change from the input only after every check that can fail without a result has passed.
    static std::optional<TallowinDocument> activatingDueTasks(
        const Input &input, TallowinInstant dueLimit, const std::string &stamp);
    static std::optional<TallowinDocument> movingToBack(const Input &input, const std::string &taskID);
    static TallowinDocument beginningRun(const Input &input, bool reviewAll);
    static TallowinDocument acceptingCandidate(
        const Input &input, const std::string &candidateID, const std::string &stamp);
    static TallowinDocument dismissingCandidate(const Input &input, const std::string &candidateID);
    static TallowinDocument merging(const Input &input, const std::string &primaryID,
        const std::set<std::string> &selectedIDs, const std::string &title, const std::string &stamp);
};

} // namespace tallowin
