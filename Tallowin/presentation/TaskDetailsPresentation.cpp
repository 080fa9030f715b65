#include "Tallowin/presentation/TaskDetailsPresentation.h"

#include "Tallowin/presentation/TaskLookup.h"
#include "TallowinCore/workflow/TallowinReviewQueue.h"

#include <algorithm>

namespace tallowin {

std::optional<TaskDetailsPresentation> TaskDetailsPresentation::make(
    const TallowinDocument &document, const std::string &taskID, const TimeText &timeText)
{
    const TaskItem *task = findTask(document, taskID);
    if (!task)
        return std::nullopt;
    TaskDetailsPresentation details;
    details.stateBadge = std::string(label(task->state));
    details.kindLabel = std::string(label(task->kind));
    details.title = task->title;
    details.person = task->person;
    details.context = task->context;
    if (!task->result.empty())
        details.outcome = task->result;
    if (task->resumeAt) {
        // A time written by another program that does not parse is shown as written.
        const std::optional<TallowinInstant> instant = TallowinClock::date(*task->resumeAt);
        details.returns = "Returns " + (instant ? timeText(*instant) : *task->resumeAt);
    }
    if (task->mergedInto) {
        const TaskItem *target = findTask(document, *task->mergedInto);
        details.mergedInto = "Merged into " + (target ? target->title : *task->mergedInto);
    }
    details.instruction = task->instruction;
    details.sources = task->sources;
    const std::vector<std::string> queue = TallowinReviewQueue::ids(document);
    details.canReview = std::find(queue.begin(), queue.end(), taskID) == queue.end();
    return details;
}

} // namespace tallowin
