#include "TallowinCore/merge/TallowinSyncMerge.h"

#include "TallowinCore/base/FlatStringSet.h"

#include <algorithm>

namespace tallowin {

namespace {

// The lists of both sides, the first's entries first, each ID once. The views in `listed` point into the
// two lists, which outlive it.
std::vector<std::string> firstOccurrences(const std::optional<std::vector<std::string>> &first,
    const std::optional<std::vector<std::string>> &second, FlatStringSet &listed)
{
    std::vector<std::string> ids;
    for (const auto *side : {&first, &second}) {
        if (!*side)
            continue;
        for (const std::string &id : **side) {
            if (listed.insert(id))
                ids.push_back(id);
        }
    }
    return ids;
}

bool joinsRun(TaskState state)
{
    return state == TaskState::active || state == TaskState::actionRequested;
}

} // namespace

TallowinSyncMerge::Workflow TallowinSyncMerge::Workflow::of(const TaskItem &task)
{
    return {task.state, task.resumeAt, task.delayTarget, task.result, task.mergedInto, task.mergedTaskIDs};
}

void TallowinSyncMerge::Workflow::applyTo(TaskItem &task) const &
{
    Workflow(*this).applyTo(task);
}

void TallowinSyncMerge::Workflow::applyTo(TaskItem &task) &&
{
    task.state = state;
    task.resumeAt = std::move(resumeAt);
    task.delayTarget = std::move(delayTarget);
    task.result = std::move(result);
    task.mergedInto = std::move(mergedInto);
    task.mergedTaskIDs = std::move(mergedTaskIDs);
}

void TallowinSyncMerge::mergeWorkflow(TaskItem &result, const TaskItem *base, const TaskItem &local,
    const TaskItem &remote, const TaskItem &preferred, const TaskItem &other, std::vector<std::string> &notes)
{
    Workflow localFlow = Workflow::of(local);
    Workflow remoteFlow = Workflow::of(remote);
    if (localFlow == remoteFlow) {
        std::move(localFlow).applyTo(result);
        return;
    }
    if (base) {
        const Workflow baseFlow = Workflow::of(*base);
        if (localFlow == baseFlow) {
            std::move(remoteFlow).applyTo(result);
            return;
        }
        if (remoteFlow == baseFlow) {
            std::move(localFlow).applyTo(result);
            return;
        }
    }
    // result began as a copy of the preferred card and so already holds its decision.
    notes.push_back("Task decision: kept " + std::string(rawValue(preferred.state))
        + "; other decision: " + std::string(rawValue(other.state)) + ". Other result: " + other.result);
}

void TallowinSyncMerge::mergeRun(TallowinDocument &merged, const TallowinDocument *base,
    const TallowinDocument &preferred, const TallowinDocument &other)
{
    if (!merged.runID) {
        merged.runTaskIDs.reset();
        merged.runProcessedIDs.reset();
        return;
    }
    FlatStringSet listed;
    std::vector<std::string> taskIDs;
    std::optional<std::vector<std::string>> processedIDs;
    if (preferred.runID == other.runID) {
        taskIDs = firstOccurrences(preferred.runTaskIDs, other.runTaskIDs, listed);
        FlatStringSet processed;
        processedIDs = firstOccurrences(preferred.runProcessedIDs, other.runProcessedIDs, processed);
    } else {
        // Another run was opened on one side; the preferred side's run replaces the other whole.
        taskIDs = firstOccurrences(preferred.runTaskIDs, std::nullopt, listed);
        processedIDs = preferred.runProcessedIDs;
    }

    // Cards new to both devices that wait for a decision join the open run, so the user sees them in it.
    FlatStringSet inBase(base ? base->tasks.size() : 0);
    if (base) {
        for (const TaskItem &task : base->tasks)
            inBase.insert(task.id);
    }
    for (const TaskItem &task : merged.tasks) {
        if (joinsRun(task.state) && !inBase.contains(task.id) && listed.insert(task.id))
            taskIDs.push_back(task.id);
    }
    if (processedIDs)
        std::erase_if(*processedIDs, [&](const std::string &id) { return !listed.contains(id); });

    FlatStringSet existing(merged.tasks.size());
    for (const TaskItem &task : merged.tasks)
        existing.insert(task.id);
    std::erase_if(taskIDs, [&](const std::string &id) { return !existing.contains(id); });
    merged.runTaskIDs = std::move(taskIDs);
    merged.runProcessedIDs = std::move(processedIDs);
}

} // namespace tallowin
