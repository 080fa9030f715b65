#include "TallowinCore/workflow/TallowinDirectEdit.h"

#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/base/UnicodeText.h"

#include <algorithm>

namespace tallowin {

namespace {

std::vector<TaskItem>::iterator findTask(std::vector<TaskItem> &tasks, const std::string &taskID)
{
    return std::find_if(tasks.begin(), tasks.end(), [&](const TaskItem &task) { return task.id == taskID; });
}

bool hasTask(const TallowinDocument &document, const std::string &taskID)
{
    return std::any_of(
        document.tasks.begin(), document.tasks.end(), [&](const TaskItem &task) { return task.id == taskID; });
}

} // namespace

TallowinDocument TallowinDirectEdit::changingPerson(
    const TallowinDocument &document, const std::string &taskID, const std::string &person, TallowinInstant now)
{
    if (!hasTask(document, taskID))
        return document;
    TallowinDocument result = document.parallelCopy();
    TaskItem &task = *findTask(result.tasks, taskID);
    const std::string stamp = TallowinClock::now(now);
    task.person = person;
    task.updatedAt = stamp;
    task.history.push_back(
        TaskHistoryEvent {RandomIdentifier::lowercaseUUID(), stamp, "renamed", "Person changed to " + person + "."});
    return result;
}

TallowinDocument TallowinDirectEdit::requestingAgentAction(
    const TallowinDocument &document, const std::string &taskID, const std::string &instruction, TallowinInstant now)
{
    const std::string trimmed(UnicodeText::trimmedWhitespaceAndNewlines(instruction));
    if (trimmed.empty())
        throw TallowinError(missingInstructionMessage);
    if (!hasTask(document, taskID))
        return document;
    TallowinDocument result = document.parallelCopy();
    TaskItem &task = *findTask(result.tasks, taskID);
    const std::string stamp = TallowinClock::now(now);
    task.state = TaskState::actionRequested;
    task.instruction = trimmed;
    task.resumeAt.reset();
    task.delayTarget.reset();
    task.result.clear();
    task.updatedAt = stamp;
    task.history.push_back(TaskHistoryEvent {RandomIdentifier::lowercaseUUID(), stamp, "action_requested", trimmed});
    return result;
}

} // namespace tallowin
