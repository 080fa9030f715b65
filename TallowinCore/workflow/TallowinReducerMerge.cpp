#include "TallowinCore/workflow/TallowinReducer.h"
#include "TallowinCore/workflow/detail/TallowinReducerInput.h"

#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/document/TaskOrder.h"
#include "TallowinCore/workflow/TallowinDomainError.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace tallowin {

namespace {

// The new card that the group is merged into. The group holds at least two cards, in document order.
TaskItem sharedCard(const TallowinDocument &document, const TaskItem &primary, const std::vector<std::size_t> &group,
    const std::string &title, const std::string &stamp)
{
    TaskItem shared;
    shared.id = TallowinDocument::newTaskID();
    shared.order = TaskOrder::next(document.tasks);
    shared.person = "Shared";
    shared.title = std::string(UnicodeText::trimmedWhitespaceAndNewlines(title));
    if (shared.title.empty())
        shared.title = primary.title;
    shared.kind = primary.kind;
    shared.state = TaskState::active;

    std::unordered_set<std::string_view> urls;
    std::vector<std::string> mergedIDs;
    mergedIDs.reserve(group.size());
    for (const std::size_t index : group) {
        const TaskItem &task = document.tasks[index];
        if (!shared.context.empty())
            shared.context += "\n\n";
        shared.context += task.person + ": " + task.title + "\n" + task.context;
        // Only ever true or absent, so a merge never records an explicit "not highlighted".
        if (task.highlighted.value_or(false))
            shared.highlighted = true;
        for (const TaskSource &source : task.sources) {
            if (urls.insert(source.url).second)
                shared.sources.push_back(source);
        }
        mergedIDs.push_back(task.id);
    }
    std::sort(mergedIDs.begin(), mergedIDs.end());
    shared.mergedTaskIDs = std::move(mergedIDs);
    shared.history.push_back(TaskHistoryEvent {RandomIdentifier::lowercaseUUID(), stamp, "merge_created",
        "Created from " + std::to_string(group.size()) + " tasks."});
    shared.createdAt = stamp;
    shared.updatedAt = stamp;
    return shared;
}

// The shared card takes the place of the first merged card in the run and starts unprocessed.
void updateRun(
    TallowinDocument &document, const std::unordered_set<std::string_view> &selection, const std::string &sharedID)
{
    if (!document.runTaskIDs)
        return;
    std::vector<std::string> runTaskIDs;
    runTaskIDs.reserve(document.runTaskIDs->size() + 1);
    bool placed = false;
    for (std::string &id : *document.runTaskIDs) {
        if (!selection.contains(id)) {
            runTaskIDs.push_back(std::move(id));
        } else if (!placed) {
            runTaskIDs.push_back(sharedID);
            placed = true;
        }
    }
    if (!placed)
        runTaskIDs.push_back(sharedID);
    document.runTaskIDs = std::move(runTaskIDs);

    std::vector<std::string> &processed
        = document.runProcessedIDs ? *document.runProcessedIDs : document.runProcessedIDs.emplace();
    std::erase_if(processed, [&](const std::string &id) { return selection.contains(id); });
}

} // namespace

TallowinDocument TallowinReducer::merging(const Input &input, const std::string &primaryID,
    const std::set<std::string> &selectedIDs, const std::string &title, const std::string &stamp)
{
    const TallowinDocument &document = *input;
    const auto primary = std::find_if(
        document.tasks.begin(), document.tasks.end(), [&](const TaskItem &task) { return task.id == primaryID; });
    if (primary == document.tasks.end())
        throw TallowinDomainError::taskNotFound(primaryID);

    std::unordered_set<std::string_view> selection(selectedIDs.begin(), selectedIDs.end());
    selection.insert(primaryID);

    // Completed, delayed and action-requested cards take part; merged and removed ones do not.
    std::vector<std::size_t> group;
    for (std::size_t index = 0; index < document.tasks.size(); ++index) {
        const TaskItem &task = document.tasks[index];
        if (selection.contains(task.id) && task.state != TaskState::merged && task.state != TaskState::removed)
            group.push_back(index);
    }
    if (group.size() < 2)
        throw TallowinDomainError::mergeRequiresRelatedTask();

    TaskItem shared = sharedCard(document, *primary, group, title, stamp);
    const std::string mergedNote = "Merged into " + shared.id + ".";

    TallowinDocument result = input.take();
    // Every selected card is absorbed, also one that was already merged or removed.
    for (TaskItem &task : result.tasks) {
        if (!selection.contains(task.id))
            continue;
        task.state = TaskState::merged;
        task.mergedInto = shared.id;
        task.resumeAt.reset();
        task.delayTarget.reset();
        task.updatedAt = stamp;
        task.history.push_back(TaskHistoryEvent {RandomIdentifier::lowercaseUUID(), stamp, "merged_into", mergedNote});
    }
    updateRun(result, selection, shared.id);
    result.tasks.push_back(std::move(shared));
    return result;
}

} // namespace tallowin
