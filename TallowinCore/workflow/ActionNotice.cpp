#include "TallowinCore/workflow/ActionNotice.h"

#include <algorithm>

namespace tallowin {

namespace {

std::string lowercased(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower;
}

} // namespace

std::string ActionNotice::taskAdded()
{
    return "Task added.";
}

std::string ActionNotice::completed(std::string_view title)
{
    return "Completed " + std::string(title) + ".";
}

std::string ActionNotice::delayed(std::string_view title, DelayChoice choice)
{
    return "Moved " + std::string(title) + " to " + lowercased(choiceLabel(choice)) + ".";
}

std::string ActionNotice::removed()
{
    return "Task removed. Choose Undo to bring it back.";
}

std::string ActionNotice::startedRun()
{
    return "Started a new review run.";
}

std::string ActionNotice::reviewingAll()
{
    return "Ready to review every card again.";
}

std::string ActionNotice::merged(std::size_t count)
{
    return "Created a shared task from " + std::to_string(count) + " cards.";
}

std::string ActionNotice::acceptedCandidate()
{
    return "Added the reviewed task to your deck.";
}

std::string ActionNotice::dismissedCandidate()
{
    return "Dismissed the candidate and saved its source identity.";
}

std::string ActionNotice::changedPerson()
{
    return "Updated the card owner.";
}

std::string ActionNotice::requestedAgentAction(std::string_view title)
{
    return "Requested an agent action for " + std::string(title) + ".";
}

std::string ActionNotice::pipelineInput(const TallowinAppending::Tally &tally)
{
    return "Pipeline input: " + std::to_string(tally.added) + " added, " + std::to_string(tally.updated) + " updated, "
        + std::to_string(tally.unchanged) + " unchanged.";
}

} // namespace tallowin
