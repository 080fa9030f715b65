#include "TallowinCore/document/TallowinDocument.h"

#include "TallowinCore/base/FlatStringSet.h"
#include "TallowinCore/base/HelperThread.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/document/SourceIdentity.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/document/TallowinValidationHints.h"

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

std::size_t eventCount(const std::vector<TaskItem> &tasks, std::size_t begin, std::size_t end)
{
    std::size_t count = 0;
    for (std::size_t index = begin; index < end; ++index)
        count += tasks[index].history.size();
    return count;
}

// The checks of a card read strings that each sit in an allocation of their own. The pass asks for a card's
// history two cards ahead and for its strings one card ahead, so memory delivers them while it checks the cards
// before.
void prefetch(const std::string &text)
{
    __builtin_prefetch(text.data());
}

// An empty history has no storage (data() may be null), so no address is formed for it; the second line asked for
// still lies inside the first event.
void prefetchEvents(const TaskItem &task)
{
    static_assert(sizeof(TaskHistoryEvent) > 64);
    if (task.history.empty())
        return;
    const char *events = reinterpret_cast<const char *>(task.history.data());
    __builtin_prefetch(events);
    __builtin_prefetch(events + 64);
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

// What checking a stretch of cards gathers for the rules that look across cards.
struct CardFacts
{
    CardFacts(std::size_t cards, std::size_t events)
        : taskIDs(cards)
        , historyIDs(events)
    { }

    FlatStringSet taskIDs;
    FlatStringSet historyIDs;
    std::vector<std::size_t> linked; // the cards with merge links, the only ones the last rule looks at again
    // The IDs' hashes in card order, kept when the stretch's IDs are looked up in another stretch's sets.
    std::vector<std::uint64_t> taskHashes;
    std::vector<std::uint64_t> eventHashes;
};

// One pass over the cards from begin to end applying the rules in their order, so each card's scattered strings
// are read once.
void checkCards(
    const std::vector<TaskItem> &tasks, std::size_t begin, std::size_t end, CardFacts &facts, bool keepHashes)
{
    for (std::size_t index = begin; index < end; ++index) {
        if (index + 2 < end)
            prefetchEvents(tasks[index + 2]);
        if (index + 1 < end)
            prefetchStrings(tasks[index + 1]);
        const TaskItem &task = tasks[index];
        const std::uint64_t taskHash = FlatStringSet::hashOf(task.id);
        if (!facts.taskIDs.insert(task.id, taskHash))
            throw TallowinValidationError::duplicateTaskID(task.id);
        if (keepHashes)
            facts.taskHashes.push_back(taskHash);
        requireTimestamp(task.createdAt);
        requireTimestamp(task.updatedAt);
        if (task.state == TaskState::delayed && !(task.resumeAt && TallowinClock::isTimestamp(*task.resumeAt)))
            throw TallowinValidationError::invalidDelayedTask(task.id);
        for (const TaskHistoryEvent &event : task.history) {
            const std::uint64_t eventHash = FlatStringSet::hashOf(event.id);
            if (!facts.historyIDs.insert(event.id, eventHash))
                throw TallowinValidationError::duplicateHistoryID(event.id);
            if (keepHashes)
                facts.eventHashes.push_back(eventHash);
            requireTimestamp(event.at);
        }
        if (hasMergeLinks(task))
            facts.linked.push_back(index);
    }
}

// As above, with what the decoder learnt from each card while it was in cache (history ID hashes from
// firstEvent on, whether every timestamp reads), so only a card with a bad timestamp has its strings read again
// to find which. The history hashes need not be kept: the hints hold them.
void checkCards(const std::vector<TaskItem> &tasks, std::size_t begin, std::size_t end, CardFacts &facts,
    bool keepHashes, const TallowinValidationHints &hints, std::size_t firstEvent)
{
    const std::vector<std::uint64_t> &eventHashes = hints.eventHashes;
    const std::vector<bool> &timestampsValid = hints.timestampsValid;
    std::size_t eventIndex = firstEvent;
    for (std::size_t index = begin; index < end; ++index) {
        const TaskItem &task = tasks[index];
        const std::uint64_t taskHash = FlatStringSet::hashOf(task.id);
        if (!facts.taskIDs.insert(task.id, taskHash))
            throw TallowinValidationError::duplicateTaskID(task.id);
        if (keepHashes)
            facts.taskHashes.push_back(taskHash);
        const bool valid = timestampsValid[index];
        if (!valid) {
            requireTimestamp(task.createdAt);
            requireTimestamp(task.updatedAt);
            if (task.state == TaskState::delayed && !(task.resumeAt && TallowinClock::isTimestamp(*task.resumeAt)))
                throw TallowinValidationError::invalidDelayedTask(task.id);
        }
        for (const TaskHistoryEvent &event : task.history) {
            if (!facts.historyIDs.insert(event.id, eventHashes[eventIndex++]))
                throw TallowinValidationError::duplicateHistoryID(event.id);
            if (!valid)
                requireTimestamp(event.at);
        }
        if (hasMergeLinks(task))
            facts.linked.push_back(index);
    }
}

void checkCards(const std::vector<TaskItem> &tasks, std::size_t begin, std::size_t end, CardFacts &facts,
    bool keepHashes, const TallowinValidationHints *hints, std::size_t firstEvent)
{
    if (hints != nullptr)
        checkCards(tasks, begin, end, facts, keepHashes, *hints, firstEvent);
    else
        checkCards(tasks, begin, end, facts, keepHashes);
}

// The card IDs of the whole deck, gathered in one set or in two halves.
struct CardIDs
{
    const FlatStringSet &first;
    const FlatStringSet *second = nullptr;

    bool contains(std::string_view id) const { return first.contains(id) || (second && second->contains(id)); }
};

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

void validateRun(const TallowinDocument &document, const CardIDs &taskIDs)
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
    const std::vector<TaskItem> &tasks, const std::vector<std::size_t> &linked, const CardIDs &taskIDs)
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

namespace {

// The rules after the cards' own, in their order.
void validateAfterCards(
    const TallowinDocument &document, const CardIDs &taskIDs, const std::vector<std::size_t> &linked)
{
    validateCandidates(document.pendingCandidates);
    requireTimestamp(document.updatedAt);
    validateRun(document, taskIDs);
    validateMergeLinks(document.tasks, linked, taskIDs);
}

// A large deck's cards are checked in two halves at once, each with sets of its own; then the second half's IDs
// are looked up in the first's by the hashes already made, which reads none of their strings. A deck with any
// fault among its cards returns false without reporting it: the caller checks it again in order, so the fault
// reported is the first, as ever.
bool cardsPassInHalves(const TallowinDocument &document, const TallowinValidationHints *hints)
{
    const std::vector<TaskItem> &tasks = document.tasks;
    const std::size_t middle = tasks.size() / 2;
    const std::size_t firstEvents = eventCount(tasks, 0, middle);
    const std::size_t secondEvents
        = hints != nullptr ? hints->eventHashes.size() - firstEvents : eventCount(tasks, middle, tasks.size());
    CardFacts first(middle, firstEvents);
    CardFacts second(tasks.size() - middle, secondEvents);
    bool firstPassed = true;
    bool secondPassed = true;
    HelperThread::runBoth(
        [&] {
            try {
                checkCards(tasks, 0, middle, first, false, hints, 0);
            } catch (const TallowinValidationError &) {
                firstPassed = false;
            }
        },
        [&] {
            try {
                checkCards(tasks, middle, tasks.size(), second, true, hints, firstEvents);
            } catch (const TallowinValidationError &) {
                secondPassed = false;
            }
        });
    if (!firstPassed || !secondPassed)
        return false;

    const std::uint64_t *eventHashes
        = hints != nullptr ? hints->eventHashes.data() + firstEvents : second.eventHashes.data();
    for (std::size_t index = middle; index < tasks.size(); ++index) {
        const TaskItem &task = tasks[index];
        if (first.taskIDs.contains(task.id, second.taskHashes[index - middle]))
            return false;
        for (const TaskHistoryEvent &event : task.history) {
            if (first.historyIDs.contains(event.id, *eventHashes++))
                return false;
        }
    }
    std::vector<std::size_t> linked = std::move(first.linked);
    linked.insert(linked.end(), second.linked.begin(), second.linked.end());
    validateAfterCards(document, CardIDs {first.taskIDs, &second.taskIDs}, linked);
    return true;
}

} // namespace

void validateDocument(const TallowinDocument &document, const TallowinValidationHints *hints)
{
    const std::vector<TaskItem> &tasks = document.tasks;
    if (hints != nullptr && !hints->describes(tasks))
        hints = nullptr;
    if (tasks.size() >= TallowinDocument::cardsWorthASecondThread && cardsPassInHalves(document, hints))
        return;
    CardFacts facts(tasks.size(), hints != nullptr ? hints->eventHashes.size() : eventCount(tasks, 0, tasks.size()));
    checkCards(tasks, 0, tasks.size(), facts, false, hints, 0);
    validateAfterCards(document, CardIDs {facts.taskIDs}, facts.linked);
}

} // namespace tallowin
