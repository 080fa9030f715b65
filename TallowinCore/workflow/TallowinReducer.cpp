#include "TallowinCore/workflow/TallowinReducer.h"
#include "TallowinCore/workflow/detail/TallowinReducerInput.h"

#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/workflow/TallowinDomainError.h"
#include "TallowinCore/workflow/TallowinReviewQueue.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace tallowin {

TallowinDocument TallowinReducer::apply(
    const TallowinCommand &command, const TallowinDocument &document, TallowinInstant now)
{
    std::optional<TallowinDocument> result = applying(command, Input(document), now);
    if (!result)
        return document;
    return std::move(*result);
}

TallowinDocument TallowinReducer::apply(
    const TallowinCommand &command, TallowinDocument &&document, TallowinInstant now)
{
    // Nothing is taken from the input when the command changes nothing, so it is still whole here.
    std::optional<TallowinDocument> result = applying(command, Input(std::move(document)), now);
    if (!result)
        return std::move(document);
    return std::move(*result);
}

std::optional<TallowinDocument> TallowinReducer::applying(
    const TallowinCommand &command, const Input &input, TallowinInstant now)
{
    const std::string stamp = TallowinClock::now(now);
    std::optional<TallowinDocument> result;
    switch (command.kind()) {
    case TallowinCommand::Kind::activateDueTasks:
        result = activatingDueTasks(input, command.dueLimit(), stamp);
        break;
    case TallowinCommand::Kind::moveToBack:
        result = movingToBack(input, command.id());
        break;
    case TallowinCommand::Kind::acceptCandidate:
        result = acceptingCandidate(input, command.id(), stamp);
        break;
    case TallowinCommand::Kind::dismissCandidate:
        result = dismissingCandidate(input, command.id());
        break;
    case TallowinCommand::Kind::mergeTasks:
        result = merging(input, command.id(), command.selectedIDs(), command.title(), stamp);
        break;
    case TallowinCommand::Kind::beginRun:
        result = beginningRun(input, false);
        break;
    case TallowinCommand::Kind::beginReviewAll:
        result = beginningRun(input, true);
        break;
    }
    if (result) {
        result->updatedAt = stamp;
        result->validate();
    }
    return result;
}

std::optional<TallowinDocument> TallowinReducer::activatingDueTasks(
    const Input &input, TallowinInstant dueLimit, const std::string &stamp)
{
    const TallowinDocument &document = *input;
    std::vector<std::size_t> due;
    for (std::size_t index = 0; index < document.tasks.size(); ++index) {
        const TaskItem &task = document.tasks[index];
        if (task.state != TaskState::delayed || !task.resumeAt)
            continue;
        // A resume time that is not a timestamp never falls due; validation reports it elsewhere.
        const std::optional<TallowinInstant> resumeAt = TallowinClock::date(*task.resumeAt);
        if (resumeAt && *resumeAt <= dueLimit)
            due.push_back(index);
    }
    if (due.empty())
        return std::nullopt;

    TallowinDocument result = input.take();
    for (const std::size_t index : due) {
        TaskItem &task = result.tasks[index];
        task.state = TaskState::active;
        task.resumeAt.reset();
        task.delayTarget = "nextRun";
        task.updatedAt = stamp;
        task.history.push_back(
            TaskHistoryEvent {RandomIdentifier::lowercaseUUID(), stamp, "resumed", "Returned when its delay expired."});
    }

    // Due cards join the open run; a card decided earlier in this run stays processed.
    if (result.runID) {
        std::vector<std::string> &runTaskIDs = result.runTaskIDs ? *result.runTaskIDs : result.runTaskIDs.emplace();
        // Room first: the set views the listed IDs where they are.
        runTaskIDs.reserve(runTaskIDs.size() + due.size());
        std::unordered_set<std::string_view> listed(runTaskIDs.begin(), runTaskIDs.end());
        for (const std::size_t index : due) {
            const std::string &id = result.tasks[index].id;
            if (listed.insert(id).second)
                runTaskIDs.push_back(id);
        }
    }
    return result;
}

std::optional<TallowinDocument> TallowinReducer::movingToBack(const Input &input, const std::string &taskID)
{
    const TallowinDocument &document = *input;
    const bool listed = document.runTaskIDs.has_value();
    std::vector<std::string> queue;
    if (!listed)
        queue = TallowinReviewQueue::ids(document);
    const std::vector<std::string> &list = listed ? *document.runTaskIDs : queue;

    const auto position = std::find(list.begin(), list.end(), taskID);
    const bool processed = document.runProcessedIDs
        && std::find(document.runProcessedIDs->begin(), document.runProcessedIDs->end(), taskID)
            != document.runProcessedIDs->end();
    if (position == list.end() || processed)
        throw TallowinDomainError::taskNotFound(taskID);

    // Moving a card that only has copies of itself behind it gives the same list.
    const bool sameList = std::all_of(position, list.end(), [&](const std::string &id) { return id == taskID; });
    if (sameList && document.runID && listed)
        return std::nullopt;
    const std::size_t index = static_cast<std::size_t>(position - list.begin());

    TallowinDocument result = input.take();
    std::vector<std::string> order = listed ? std::move(*result.runTaskIDs) : std::move(queue);
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(index));
    order.push_back(taskID);
    if (!result.runID)
        result.runID = RandomIdentifier::lowercaseUUID();
    result.runTaskIDs = std::move(order);
    return result;
}

TallowinDocument TallowinReducer::beginningRun(const Input &input, bool reviewAll)
{
    const TallowinDocument &document = *input;
    std::vector<std::size_t> members;
    for (std::size_t index = 0; index < document.tasks.size(); ++index) {
        const TaskItem &task = document.tasks[index];
        const bool inRun = task.state == TaskState::active
            || (reviewAll && (task.state == TaskState::delayed || task.delayTarget.has_value()));
        if (inRun)
            members.push_back(index);
    }
    // Runs follow order alone; highlighting only ranks the queue when no run is open.
    std::stable_sort(members.begin(), members.end(),
        [&](std::size_t a, std::size_t b) { return document.tasks[a].order < document.tasks[b].order; });

    std::vector<std::string> runTaskIDs;
    runTaskIDs.reserve(members.size());
    for (const std::size_t index : members)
        runTaskIDs.push_back(document.tasks[index].id);

    // A fresh run ID makes the result differ from any input.
    TallowinDocument result = input.take();
    result.runID = RandomIdentifier::lowercaseUUID();
    result.runTaskIDs = std::move(runTaskIDs);
    result.runProcessedIDs.emplace();
    return result;
}

} // namespace tallowin
