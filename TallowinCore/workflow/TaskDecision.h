#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"

#include <string>

namespace tallowin {

// What the user decides for the card under review.
class TALLOWIN_CORE_EXPORT TaskDecision
{
public:
    enum class Kind { complete, schedule, remove, nextReview, tomorrow, nextWeek, restore };

    // Done; the text is the outcome (links in it become evidence sources) and may be empty.
    static TaskDecision complete(std::string text);
    // Delayed until the given instant (the custom-date pile).
    static TaskDecision schedule(TallowinInstant instant);
    static TaskDecision remove() { return TaskDecision(Kind::remove); }
    // Stays active but goes behind every other card, for the next run.
    static TaskDecision nextReview() { return TaskDecision(Kind::nextReview); }
    static TaskDecision tomorrow() { return TaskDecision(Kind::tomorrow); }
    static TaskDecision nextWeek() { return TaskDecision(Kind::nextWeek); }
    // A finished card back to active.
    static TaskDecision restore() { return TaskDecision(Kind::restore); }

    Kind kind() const { return m_kind; }
    // The payload of complete; empty otherwise.
    const std::string &completionText() const { return m_text; }
    // The payload of schedule; the epoch otherwise.
    TallowinInstant scheduledAt() const { return m_instant; }

    friend bool operator==(const TaskDecision &, const TaskDecision &) = default;

private:
    explicit TaskDecision(Kind kind)
        : m_kind(kind)
    { }

    Kind m_kind;
    std::string m_text;
    TallowinInstant m_instant {};
};

} // namespace tallowin
