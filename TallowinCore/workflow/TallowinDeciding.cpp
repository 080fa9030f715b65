#include "TallowinCore/workflow/TallowinDeciding.h"

#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/document/CompletionEvidence.h"
#include "TallowinCore/document/SourceIdentity.h"
#include "TallowinCore/document/TaskContractError.h"
#include "TallowinCore/document/TaskOrder.h"
#include "TallowinCore/workflow/TallowinDomainError.h"
#include "TallowinCore/workflow/TallowinReviewQueue.h"

#include <algorithm>

namespace tallowin {

namespace {

std::string trimmed(const std::string &text)
{
    return std::string(UnicodeText::trimmedWhitespaceAndNewlines(text));
}

// Adds the links of the completion text as evidence, then marks every source resolved now.
void resolveSources(TaskItem &task, const std::string &completionText, const std::string &stamp)
{
    for (std::string &url : CompletionEvidence::urls(completionText)) {
        const bool known = std::any_of(
            task.sources.begin(), task.sources.end(), [&](const TaskSource &source) { return source.url == url; });
        if (!known)
            task.sources.push_back(TaskSource {"Completion evidence", std::move(url), {}, {}, {}});
    }

    std::optional<std::string> titleKey;
    for (TaskSource &source : task.sources) {
        if (!source.sourceKey) {
            // A link that cannot be keyed is kept as it is; it just gets no item key.
            try {
                source.sourceKey = SourceIdentity::sourceKey(source.url);
            } catch (const TaskContractError &) { }
        }
        source.resolvedAt = stamp;
        if (source.sourceKey) {
            if (!titleKey)
                titleKey = SourceIdentity::normalizedTitle(task.title);
            source.resolvedItemKey = *source.sourceKey + "|" + *titleKey;
        } else {
            source.resolvedItemKey.reset();
        }
    }
}

void setDelayed(TaskItem &task, std::string resumeAt, const char *target)
{
    task.state = TaskState::delayed;
    task.resumeAt = std::move(resumeAt);
    task.delayTarget = target;
}

// Changes the card's fields and returns the history event's type.
const char *apply(const TaskDecision &decision, TaskItem &task, const std::vector<TaskItem> &tasks,
    const std::string &completionText, const std::string &stamp, TallowinInstant now)
{
    switch (decision.kind()) {
    case TaskDecision::Kind::complete:
        task.state = TaskState::completed;
        task.resumeAt.reset();
        task.delayTarget.reset();
        task.result = completionText;
        resolveSources(task, completionText, stamp);
        return "completed";
    case TaskDecision::Kind::schedule:
        setDelayed(task, TallowinClock::now(decision.scheduledAt()), "custom");
        return "delayed";
    case TaskDecision::Kind::tomorrow:
        setDelayed(task, TallowinClock::tomorrow(now), "tomorrow");
        return "delayed";
    case TaskDecision::Kind::nextWeek:
        setDelayed(task, TallowinClock::nextWeek(now), "nextWeek");
        return "delayed";
    case TaskDecision::Kind::nextReview:
        // The card itself is among the cards, so it ends up behind every one of them.
        task.order = TaskOrder::next(tasks);
        task.state = TaskState::active;
        task.resumeAt.reset();
        task.delayTarget = "nextRun";
        return "next_run";
    case TaskDecision::Kind::remove:
        task.state = TaskState::removed;
        task.resumeAt.reset();
        task.delayTarget.reset();
        return "removed";
    case TaskDecision::Kind::restore:
        task.state = TaskState::active;
        task.resumeAt.reset();
        task.delayTarget.reset();
        for (TaskSource &source : task.sources) {
            source.resolvedAt.reset();
            source.resolvedItemKey.reset();
        }
        return "restored";
    }
    return "";
}

std::string eventNote(const TaskDecision &decision, const TaskItem &task, const std::string &type,
    const std::string &completionText, const std::string &note)
{
    if (decision.kind() == TaskDecision::Kind::complete)
        return completionText;
    if (type == "delayed" || type == "next_run") {
        std::string trimmedNote = trimmed(note);
        if (!trimmedNote.empty())
            return trimmedNote;
    }
    return task.delayTarget.value_or(type);
}

// An absent list counts as empty; restore is the only decision that may create runTaskIDs.
void updateRun(TallowinDocument &document, const std::string &taskID, TaskDecision::Kind kind)
{
    const auto contains = [&](const std::optional<std::vector<std::string>> &list) {
        return list && std::find(list->begin(), list->end(), taskID) != list->end();
    };

    if (kind == TaskDecision::Kind::restore) {
        // Back in the run, waiting to be reviewed again.
        if (!contains(document.runTaskIDs))
            (document.runTaskIDs ? *document.runTaskIDs : document.runTaskIDs.emplace()).push_back(taskID);
        if (document.runProcessedIDs)
            std::erase(*document.runProcessedIDs, taskID);
        return;
    }
    if (contains(document.runTaskIDs) && !contains(document.runProcessedIDs))
        (document.runProcessedIDs ? *document.runProcessedIDs : document.runProcessedIDs.emplace()).push_back(taskID);
}

// The position of the card a decision applies to.
std::size_t decidedIndex(const TallowinDocument &document, const std::string &taskID)
{
    const auto found = std::find_if(
        document.tasks.begin(), document.tasks.end(), [&](const TaskItem &task) { return task.id == taskID; });
    if (found == document.tasks.end() || found->state == TaskState::merged)
        throw TallowinDomainError::taskNotFound(taskID);
    return static_cast<std::size_t>(found - document.tasks.begin());
}

TallowinDocument decided(TallowinDocument result, std::size_t index, const std::string &taskID,
    const TaskDecision &decision, const std::string &note, TallowinInstant now)
{
    if (!result.runID) {
        result.runID = RandomIdentifier::lowercaseUUID();
        result.runTaskIDs = TallowinReviewQueue::ids(result);
        result.runProcessedIDs.emplace();
    }

    const std::string stamp = TallowinClock::now(now);
    std::string completionText;
    if (decision.kind() == TaskDecision::Kind::complete) {
        completionText = trimmed(decision.completionText());
        if (completionText.empty())
            completionText = "Marked complete.";
    }

    TaskItem &task = result.tasks[index];
    const std::string type = apply(decision, task, result.tasks, completionText, stamp, now);
    std::string noteText = eventNote(decision, task, type, completionText, note);
    task.history.push_back(TaskHistoryEvent {RandomIdentifier::lowercaseUUID(), stamp, type, std::move(noteText)});
    task.updatedAt = stamp;

    updateRun(result, taskID, decision.kind());
    result.updatedAt = stamp;
    result.validate();
    return result;
}

} // namespace

TallowinDocument TallowinDeciding::deciding(const TallowinDocument &document, const std::string &taskID,
    const TaskDecision &decision, const std::string &note, TallowinInstant now)
{
    const std::size_t index = decidedIndex(document, taskID);
    return decided(document.parallelCopy(), index, taskID, decision, note, now);
}

TallowinDocument TallowinDeciding::deciding(TallowinDocument &&document, const std::string &taskID,
    const TaskDecision &decision, const std::string &note, TallowinInstant now)
{
    // The ID and the note may be strings of the document itself, which is about to be taken apart.
    const std::string id = taskID;
    const std::string noteText = note;
    const std::size_t index = decidedIndex(document, id);
    return decided(std::move(document), index, id, decision, noteText, now);
}

} // namespace tallowin
