#include "TallowinCore/TallowinDocument.h"

#include "TallowinCore/FlatStringSet.h"
#include "TallowinCore/SourceIdentity.h"
#include "TallowinCore/TallowinClock.h"
#include "TallowinCore/TallowinValidationError.h"
#include "TallowinCore/TallowinValidationHints.h"
#include "TallowinCore/UnicodeText.h"

#include <algorithm>
#include <vector>

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

bool cardTimestampsAreValid(const TaskItem &task)
{
    if (!TallowinClock::isTimestamp(task.createdAt) || !TallowinClock::isTimestamp(task.updatedAt))
        return false;
    if (task.state == TaskState::delayed && !(task.resumeAt && TallowinClock::isTimestamp(*task.resumeAt)))
        return false;
    return std::all_of(task.history.begin(), task.history.end(),
        [](const TaskHistoryEvent &event) { return TallowinClock::isTimestamp(event.at); });
}

bool hasMergeLinks(const TaskItem &task)
{
    return task.state == TaskState::merged || task.mergedInto || task.mergedTaskIDs;
}

std::size_t eventCount(const std::vector<TaskItem> &tasks)
{
    std::size_t count = 0;
    for (const TaskItem &task : tasks)
        count += task.history.size();
    return count;
}

// The checks of a card read strings that each sit in an allocation of their own. The pass asks for a card's
// history two cards ahead and for its strings one card ahead, so memory delivers them while it checks the cards
// before.
void prefetch(const std::string &text)
{
    __builtin_prefetch(text.data());
}

void prefetchEvents(const TaskItem &task)
{
    __builtin_prefetch(task.history.data());
    __builtin_prefetch(reinterpret_cast<const char *>(task.history.data()) + 64);
}

void prefetchStrings(const TaskItem &task)
{
    prefetch(task.createdAt);
    prefetch(task.updatedAt);
    for (const TaskHistoryEvent &event : task.history) {
        prefetch(event.id);
        prefetch(event.at);
    }
}

// One pass over the cards applying the rules in their order, so each card's scattered strings are read once.
// Also notes the cards with merge links, the only ones the last rule has to look at again.
void validateCards(const std::vector<TaskItem> &tasks, FlatStringSet &taskIDs, std::vector<std::size_t> &linked)
{
    FlatStringSet historyIDs(eventCount(tasks));
    for (std::size_t index = 0; index < tasks.size(); ++index) {
        if (index + 2 < tasks.size())
            prefetchEvents(tasks[index + 2]);
        if (index + 1 < tasks.size())
            prefetchStrings(tasks[index + 1]);
        const TaskItem &task = tasks[index];
        if (!taskIDs.insert(task.id))
            throw TallowinValidationError::duplicateTaskID(task.id);
        requireTimestamp(task.createdAt);
        requireTimestamp(task.updatedAt);
        if (task.state == TaskState::delayed && !(task.resumeAt && TallowinClock::isTimestamp(*task.resumeAt)))
            throw TallowinValidationError::invalidDelayedTask(task.id);
        for (const TaskHistoryEvent &event : task.history) {
            if (!historyIDs.insert(event.id))
                throw TallowinValidationError::duplicateHistoryID(event.id);
            requireTimestamp(event.at);
        }
        if (hasMergeLinks(task))
            linked.push_back(index);
    }
}

// As above, with what the decoder learnt from each card while it was in cache (history ID hashes, whether
// every timestamp reads), so only a card with a bad timestamp has its strings read again to find which.
void validateCards(const std::vector<TaskItem> &tasks, FlatStringSet &taskIDs, std::vector<std::size_t> &linked,
    const TallowinValidationHints &hints)
{
    const std::vector<std::uint64_t> &eventHashes = hints.eventHashes;
    const std::vector<bool> &timestampsValid = hints.timestampsValid;

    FlatStringSet historyIDs(eventHashes.size());
    std::size_t eventIndex = 0;
    for (std::size_t index = 0; index < tasks.size(); ++index) {
        const TaskItem &task = tasks[index];
        if (!taskIDs.insert(task.id))
            throw TallowinValidationError::duplicateTaskID(task.id);
        const bool valid = timestampsValid[index];
        if (!valid) {
            requireTimestamp(task.createdAt);
            requireTimestamp(task.updatedAt);
            if (task.state == TaskState::delayed && !(task.resumeAt && TallowinClock::isTimestamp(*task.resumeAt)))
                throw TallowinValidationError::invalidDelayedTask(task.id);
        }
        for (const TaskHistoryEvent &event : task.history) {
            if (!historyIDs.insert(event.id, eventHashes[eventIndex++]))
                throw TallowinValidationError::duplicateHistoryID(event.id);
            if (!valid)
                requireTimestamp(event.at);
        }
        if (hasMergeLinks(task))
            linked.push_back(index);
    }
}

void validateCandidates(const std::vector<TaskCandidate> &candidates)
{
    FlatStringSet candidateIDs(candidates.size());
    for (const TaskCandidate &candidate : candidates) {
        if (!candidateIDs.insert(candidate.id))
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

void validateRun(const TallowinDocument &document, const FlatStringSet &taskIDs)
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
    FlatStringSet runIDs(document.runTaskIDs->size());
    for (const std::string &id : *document.runTaskIDs)
        runIDs.insert(id);
    for (const std::string &id : *document.runProcessedIDs) {
        if (!runIDs.contains(id))
            throw TallowinValidationError::invalidProcessedTaskID(id);
    }
}

void validateMergeLinks(
    const std::vector<TaskItem> &tasks, const std::vector<std::size_t> &linked, const FlatStringSet &taskIDs)
{
    for (const std::size_t index : linked) {
        const TaskItem &task = tasks[index];
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

void TallowinValidationHints::add(const TaskItem &task)
{
    for (const TaskHistoryEvent &event : task.history)
        eventHashes.push_back(FlatStringSet::hashOf(event.id));
    timestampsValid.push_back(cardTimestampsAreValid(task));
}

bool TallowinValidationHints::describes(const std::vector<TaskItem> &tasks) const
{
    if (timestampsValid.size() != tasks.size())
        return false;
    std::size_t events = 0;
    for (const TaskItem &task : tasks)
        events += task.history.size();
    return events == eventHashes.size();
}

void TallowinDocument::validate() const
{
    validateDocument(*this, nullptr);
}

void validateDocument(const TallowinDocument &document, const TallowinValidationHints *hints)
{
    const std::vector<TaskItem> &tasks = document.tasks;
    FlatStringSet taskIDs(tasks.size());
    std::vector<std::size_t> linked;
    if (hints != nullptr && hints->describes(tasks))
        validateCards(tasks, taskIDs, linked, *hints);
    else
        validateCards(tasks, taskIDs, linked);
    validateCandidates(document.pendingCandidates);
    requireTimestamp(document.updatedAt);
    validateRun(document, taskIDs);
    validateMergeLinks(tasks, linked, taskIDs);
}

} // namespace tallowin
