#include "TallowinCore/TallowinDocument.h"

#include "TallowinCore/SourceIdentity.h"
#include "TallowinCore/TallowinClock.h"
#include "TallowinCore/TallowinValidationError.h"
#include "TallowinCore/UnicodeText.h"

#include <unordered_set>

namespace tallowin {

namespace {

void requireTimestamp(const std::string &text)
{
    if (!TallowinClock::isTimestamp(text))
        throw TallowinValidationError::invalidTimestamp(text);
}

bool isBlank(const std::string &text)
{
    return UnicodeText::trimmedWhitespaceAndNewlines(text).empty();
}

void validateCards(const std::vector<TaskItem> &tasks, std::unordered_set<std::string_view> &taskIDs)
{
    std::size_t eventCount = 0;
    for (const TaskItem &task : tasks)
        eventCount += task.history.size();
    std::unordered_set<std::string_view> historyIDs;
    historyIDs.reserve(eventCount);

    for (const TaskItem &task : tasks) {
        if (!taskIDs.insert(task.id).second)
            throw TallowinValidationError::duplicateTaskID(task.id);
        requireTimestamp(task.createdAt);
        requireTimestamp(task.updatedAt);
        if (task.state == TaskState::delayed && !(task.resumeAt && TallowinClock::isTimestamp(*task.resumeAt)))
            throw TallowinValidationError::invalidDelayedTask(task.id);
        for (const TaskHistoryEvent &event : task.history) {
            if (!historyIDs.insert(event.id).second)
                throw TallowinValidationError::duplicateHistoryID(event.id);
            requireTimestamp(event.at);
        }
    }
}

void validateCandidates(const std::vector<TaskCandidate> &candidates)
{
    std::unordered_set<std::string_view> candidateIDs;
    candidateIDs.reserve(candidates.size());
    for (const TaskCandidate &candidate : candidates) {
        if (!candidateIDs.insert(candidate.id).second)
            throw TallowinValidationError::duplicateCandidateID(candidate.id);
        if (isBlank(candidate.person) || isBlank(candidate.title) || isBlank(candidate.context)
            || isBlank(candidate.classificationReason))
            throw TallowinValidationError::invalidCandidate(candidate.id);
        // An invalid link fails with the contract error itself, not a validation error.
        SourceIdentity::sourceKey(candidate.source.url);
        requireTimestamp(candidate.discoveredAt);
        if (candidate.sourceTimestamp)
            requireTimestamp(*candidate.sourceTimestamp);
        if (candidate.confidence && !(*candidate.confidence >= 0.0 && *candidate.confidence <= 1.0))
            throw TallowinValidationError::invalidCandidate(candidate.id);
    }
}

void validateRun(const TallowinDocument &document, const std::unordered_set<std::string_view> &taskIDs)
{
    if (!document.runTaskIDs)
        return;
    if (!document.runID)
        throw TallowinValidationError::missingRunID();
    for (const std::string &id : *document.runTaskIDs) {
        if (!taskIDs.contains(id))
            throw TallowinValidationError::invalidRunTaskID(id);
    }
    if (!document.runProcessedIDs)
        return;
    const std::unordered_set<std::string_view> runIDs(document.runTaskIDs->begin(), document.runTaskIDs->end());
    for (const std::string &id : *document.runProcessedIDs) {
        if (!runIDs.contains(id))
            throw TallowinValidationError::invalidProcessedTaskID(id);
    }
}

void validateMergeLinks(const std::vector<TaskItem> &tasks, const std::unordered_set<std::string_view> &taskIDs)
{
    for (const TaskItem &task : tasks) {
        if (task.state == TaskState::merged && !task.mergedInto)
            throw TallowinValidationError::invalidMergedTask(task.id);
        if (task.mergedInto && !taskIDs.contains(*task.mergedInto))
            throw TallowinValidationError::invalidMergeReference(task.id);
        if (task.mergedTaskIDs) {
            for (const std::string &id : *task.mergedTaskIDs) {
                if (!taskIDs.contains(id))
                    throw TallowinValidationError::invalidMergeReference(task.id);
            }
        }
    }
}

} // namespace

void TallowinDocument::validate() const
{
    std::unordered_set<std::string_view> taskIDs;
    taskIDs.reserve(tasks.size());
    validateCards(tasks, taskIDs);
    validateCandidates(pendingCandidates);
    requireTimestamp(updatedAt);
    validateRun(*this, taskIDs);
    validateMergeLinks(tasks, taskIDs);
}

} // namespace tallowin
