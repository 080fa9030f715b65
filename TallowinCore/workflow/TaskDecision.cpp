#include "TallowinCore/workflow/TaskDecision.h"

namespace tallowin {

TaskDecision TaskDecision::complete(std::string text)
{
    TaskDecision decision(Kind::complete);
    decision.m_text = std::move(text);
    return decision;
}

TaskDecision TaskDecision::schedule(TallowinInstant instant)
{
    TaskDecision decision(Kind::schedule);
    decision.m_instant = instant;
    return decision;
}

} // namespace tallowin
