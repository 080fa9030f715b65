#include "TallowinCore/workflow/TallowinCommand.h"

namespace tallowin {

TallowinCommand TallowinCommand::activateDueTasks(TallowinInstant dueLimit)
{
    TallowinCommand command(Kind::activateDueTasks);
    command.m_dueLimit = dueLimit;
    return command;
}

TallowinCommand TallowinCommand::moveToBack(std::string taskID)
{
    TallowinCommand command(Kind::moveToBack);
    command.m_id = std::move(taskID);
    return command;
}

TallowinCommand TallowinCommand::acceptCandidate(std::string candidateID)
{
    TallowinCommand command(Kind::acceptCandidate);
    command.m_id = std::move(candidateID);
    return command;
}

TallowinCommand TallowinCommand::dismissCandidate(std::string candidateID)
{
    TallowinCommand command(Kind::dismissCandidate);
    command.m_id = std::move(candidateID);
    return command;
}

TallowinCommand TallowinCommand::mergeTasks(std::string primaryID, std::set<std::string> selectedIDs, std::string title)
{
    TallowinCommand command(Kind::mergeTasks);
    command.m_id = std::move(primaryID);
    command.m_selectedIDs = std::move(selectedIDs);
    command.m_title = std::move(title);
    return command;
}

} // namespace tallowin
