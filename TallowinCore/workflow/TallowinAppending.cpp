#include "TallowinCore/workflow/TallowinAppending.h"

#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/document/TaskContractError.h"
#include "TallowinCore/document/TaskOrder.h"

#include <string_view>
#include <unordered_map>

namespace tallowin {

namespace {

bool matches(const TaskItem &task, const TaskContract &contract)
{
    return task.person == contract.person && task.title == contract.title && task.context == contract.context
        && task.kind == contract.kind && task.instruction == contract.instruction && task.sources == contract.sources;
}

TaskItem newCard(const TaskContract &contract, std::int64_t order, const std::string &stamp)
{
    TaskItem task;
    task.id = contract.id;
    task.order = order;
    task.person = contract.person;
    task.title = contract.title;
    task.context = contract.context;
    task.kind = contract.kind;
    // Active even with an instruction: only the user queues an instruction for an agent.
    task.state = TaskState::active;
    task.instruction = contract.instruction;
    task.sources = contract.sources;
    task.history.push_back(
        TaskHistoryEvent {RandomIdentifier::lowercaseUUID(), stamp, "pipeline_created", "Added by pipeline input."});
    task.createdAt = stamp;
    task.updatedAt = stamp;
    return task;
}

void update(TaskItem &task, const TaskContract &contract, const std::string &stamp)
{
    task.person = contract.person;
    task.title = contract.title;
    task.context = contract.context;
    task.kind = contract.kind;
    task.instruction = contract.instruction;
    // Replaced whole: resolution data of the old sources is not carried over.
    task.sources = contract.sources;
    task.updatedAt = stamp;
    task.history.push_back(
        TaskHistoryEvent {RandomIdentifier::lowercaseUUID(), stamp, "pipeline_updated", "Updated by pipeline input."});
}

} // namespace

TallowinDocument TallowinAppending::appending(const TallowinDocument &document,
    const std::vector<TaskContract> &contracts, const std::string &nowTimestamp, Tally *tally)
{
    if (tally != nullptr)
        *tally = {};
    std::vector<TaskContract> validated;
    validated.reserve(contracts.size());
    for (const TaskContract &contract : contracts)
        validated.push_back(contract.validated());
    if (validated.empty())
        return document;

    // Keys view the input's IDs and the validated contracts' IDs; neither moves while the map lives.
    std::unordered_map<std::string_view, std::size_t> byID;
    byID.reserve(document.tasks.size() + validated.size());
    for (std::size_t index = 0; index < document.tasks.size(); ++index) {
        if (!byID.try_emplace(document.tasks[index].id, index).second)
            throw TallowinValidationError::duplicateTaskID(document.tasks[index].id);
    }

    // The queued-instruction check runs before the copy. Cards created in this call are active, and an update of
    // an action-requested card keeps its instruction, so checking against the input is exact.
    for (const TaskContract &contract : validated) {
        const auto found = byID.find(contract.id);
        if (found == byID.end())
            continue;
        const TaskItem &task = document.tasks[found->second];
        if (task.state == TaskState::actionRequested && task.instruction != contract.instruction)
            throw TaskContractError::queuedInstructionChange(task.id);
    }

    TallowinDocument result = document.parallelCopy();
    const std::size_t existing = result.tasks.size();
    // By card index: what the input did to the card, for the tally.
    enum class Outcome { unchanged, updated };
    std::unordered_map<std::size_t, Outcome> outcomes;
    std::int64_t order = TaskOrder::largest(result.tasks);
    for (const TaskContract &contract : validated) {
        const auto [found, isNew] = byID.try_emplace(contract.id, result.tasks.size());
        if (!isNew) {
            TaskItem &task = result.tasks[found->second];
            Outcome &outcome = outcomes.try_emplace(found->second, Outcome::unchanged).first->second;
            if (!matches(task, contract)) {
                update(task, contract, nowTimestamp);
                outcome = Outcome::updated;
            }
            continue;
        }
        order = TaskOrder::after(order);
        result.tasks.push_back(newCard(contract, order, nowTimestamp));
        if (result.runTaskIDs)
            result.runTaskIDs->push_back(contract.id);
    }
    if (tally != nullptr) {
        tally->added = result.tasks.size() - existing;
        for (const auto &[index, outcome] : outcomes) {
            // A card the same input added is counted as added only.
            if (index >= existing)
                continue;
            ++(outcome == Outcome::updated ? tally->updated : tally->unchanged);
        }
    }
    return result;
}

} // namespace tallowin
