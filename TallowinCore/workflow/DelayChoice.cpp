#include "TallowinCore/workflow/DelayChoice.h"

namespace tallowin {

std::string_view rawValue(DelayChoice choice)
{
    switch (choice) {
    case DelayChoice::nextRun:
        return "nextRun";
    case DelayChoice::tomorrow:
        return "tomorrow";
    case DelayChoice::nextWeek:
        return "nextWeek";
    case DelayChoice::custom:
        return "custom";
    }
    return "custom";
}

std::optional<DelayChoice> delayChoiceFromRawValue(std::string_view text)
{
    for (DelayChoice choice : allDelayChoices) {
        if (rawValue(choice) == text)
            return choice;
    }
    return std::nullopt;
}

std::string_view pileLabel(DelayChoice choice)
{
    switch (choice) {
    case DelayChoice::nextRun:
        return "Next review";
    case DelayChoice::tomorrow:
        return "Tomorrow";
    case DelayChoice::nextWeek:
        return "Next week";
    case DelayChoice::custom:
        return "Scheduled";
    }
    return "Scheduled";
}

std::string_view choiceLabel(DelayChoice choice)
{
    if (choice == DelayChoice::custom)
        return "Choose a date…";
    return pileLabel(choice);
}

TaskDecision decision(DelayChoice choice, TallowinInstant customDate)
{
    switch (choice) {
    case DelayChoice::nextRun:
        return TaskDecision::nextReview();
    case DelayChoice::tomorrow:
        return TaskDecision::tomorrow();
    case DelayChoice::nextWeek:
        return TaskDecision::nextWeek();
    case DelayChoice::custom:
        break;
    }
    return TaskDecision::schedule(customDate);
}

DelayChoice pileOf(const TaskItem &task, TallowinInstant now)
{
    if (task.delayTarget) {
        if (const auto choice = delayChoiceFromRawValue(*task.delayTarget))
            return *choice;
    }
    if (!task.resumeAt)
        return DelayChoice::custom;
    const std::optional<TallowinInstant> resume = TallowinClock::date(*task.resumeAt);
    if (!resume)
        return DelayChoice::custom;
    if (*resume <= TallowinClock::addingCalendarDays(now, 2))
        return DelayChoice::tomorrow;
    if (*resume <= TallowinClock::addingCalendarDays(now, 8))
        return DelayChoice::nextWeek;
    return DelayChoice::custom;
}

} // namespace tallowin
