#include "TallowinCore/workflow/TallowinReducer.h"
#include "TallowinCore/workflow/detail/TallowinReducerInput.h"

#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/document/SourceIdentity.h"
#include "TallowinCore/document/TaskCandidateCard.h"
#include "TallowinCore/document/TaskOrder.h"
#include "TallowinCore/workflow/TallowinDomainError.h"

#include <algorithm>

namespace tallowin {

namespace {

std::size_t candidateIndex(const TallowinDocument &document, const std::string &candidateID)
{
    const auto &candidates = document.pendingCandidates;
    const auto found = std::find_if(candidates.begin(), candidates.end(),
        [&](const TaskCandidate &candidate) { return candidate.id == candidateID; });
    if (found == candidates.end())
        throw TallowinDomainError::candidateNotFound(candidateID);
    return static_cast<std::size_t>(found - candidates.begin());
}

} // namespace

TallowinDocument TallowinReducer::acceptingCandidate(
    const Input &input, const std::string &candidateID, const std::string &stamp)
{
    const std::size_t index = candidateIndex(*input, candidateID);

    TallowinDocument result = input.take();
    TaskCandidate candidate = std::move(result.pendingCandidates[index]);
    result.pendingCandidates.erase(result.pendingCandidates.begin() + static_cast<std::ptrdiff_t>(index));

    TaskItem task;
    task.id = TaskCandidateCard::id(candidate.id);
    task.order = TaskOrder::next(result.tasks);
    task.person = std::move(candidate.person);
    task.title = std::move(candidate.title);
    task.context = std::move(candidate.context);
    task.kind = candidate.kind;
    task.state = TaskState::active;
    task.sources.push_back(std::move(candidate.source));
    task.history.push_back(TaskHistoryEvent {
        RandomIdentifier::lowercaseUUID(), stamp, "candidate_accepted", std::move(candidate.classificationReason)});
    task.createdAt = stamp;
    task.updatedAt = stamp;

    // An accepted card is reviewed in the run that is open now.
    if (result.runID)
        (result.runTaskIDs ? *result.runTaskIDs : result.runTaskIDs.emplace()).push_back(task.id);
    result.tasks.push_back(std::move(task));
    return result;
}

TallowinDocument TallowinReducer::dismissingCandidate(const Input &input, const std::string &candidateID)
{
    const TallowinDocument &document = *input;
    const std::size_t index = candidateIndex(document, candidateID);
    const TaskCandidate &candidate = document.pendingCandidates[index];
    // Keyed before anything changes: a link without a key leaves the candidate in the inbox.
    std::string key = SourceIdentity::itemKey(candidate.source.url, candidate.title);

    TallowinDocument result = input.take();
    result.pendingCandidates.erase(result.pendingCandidates.begin() + static_cast<std::ptrdiff_t>(index));
    auto &keys = result.dismissedCandidateKeys;
    if (std::find(keys.begin(), keys.end(), key) == keys.end())
        keys.push_back(std::move(key));
    return result;
}

} // namespace tallowin
