#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"

#include <set>
#include <string>

namespace tallowin {

// An operation on the deck as a whole, applied by TallowinReducer.
class TALLOWIN_CORE_EXPORT TallowinCommand
{
public:
    enum class Kind {
        activateDueTasks,
        moveToBack,
        acceptCandidate,
        dismissCandidate,
        mergeTasks,
        beginRun,
        beginReviewAll,
    };

    // Returns every delayed card whose resume time is at or before the due limit.
    static TallowinCommand activateDueTasks(TallowinInstant dueLimit);
    // Moves a card of the current run behind all others of the run.
    static TallowinCommand moveToBack(std::string taskID);
    static TallowinCommand acceptCandidate(std::string candidateID);
    // Drops a candidate and remembers its item key so it is not suggested again.
    static TallowinCommand dismissCandidate(std::string candidateID);
    // Merges the primary and the selected cards into one new shared card; an empty title takes the primary's.
    static TallowinCommand mergeTasks(std::string primaryID, std::set<std::string> selectedIDs, std::string title);
    // A new run over the active cards.
    static TallowinCommand beginRun() { return TallowinCommand(Kind::beginRun); }
    // A new run over the active and delayed cards and every card with a delay target.
    static TallowinCommand beginReviewAll() { return TallowinCommand(Kind::beginReviewAll); }

    Kind kind() const { return m_kind; }
    // Payload of activateDueTasks; the epoch otherwise.
    TallowinInstant dueLimit() const { return m_dueLimit; }
    // The card ID of moveToBack, the candidate ID of acceptCandidate and dismissCandidate, the primary ID of
    // mergeTasks; empty otherwise.
    const std::string &id() const { return m_id; }
    const std::set<std::string> &selectedIDs() const { return m_selectedIDs; }
    const std::string &title() const { return m_title; }

    friend bool operator==(const TallowinCommand &, const TallowinCommand &) = default;

private:
    explicit TallowinCommand(Kind kind)
        : m_kind(kind)
    { }

    Kind m_kind;
    TallowinInstant m_dueLimit {};
    std::string m_id;
    std::set<std::string> m_selectedIDs;
    std::string m_title;
};

} // namespace tallowin
