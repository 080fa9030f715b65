#pragma once

#include "TallowinCore/document/TaskState.h"

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

// The merge sheet's blend bucket: the current card, which is always in, and the cards the user added, in the order
// they were added.
class MergeSelection
{
public:
    explicit MergeSelection(std::string primaryID);

    const std::string &primaryID() const { return m_ids.front(); }
    // The current card first.
    const std::vector<std::string> &ids() const { return m_ids; }
    std::size_t count() const { return m_ids.size(); }
    bool contains(std::string_view id) const;

    // False when the card is in already.
    bool add(const std::string &id);
    // False for the current card and for a card that is not in.
    bool remove(std::string_view id);
    // Drops the added cards that no longer pass, for example after a reload merged one elsewhere.
    void retain(const std::function<bool(const std::string &)> &keep);

    // The merge needs a second card and a name that is not blank.
    bool canMerge(std::string_view title) const;
    // The cards to give the merge, the current one among them.
    std::set<std::string> selectedIDs() const { return {m_ids.begin(), m_ids.end()}; }

    // Cards the merge takes: merged and removed ones would be swallowed without adding anything.
    static bool isMergeable(TaskState state) { return state != TaskState::merged && state != TaskState::removed; }

private:
    std::vector<std::string> m_ids;
};

} // namespace tallowin
