#include "Tallowin/presentation/InboxReview.h"

#include <algorithm>

namespace tallowin {

bool InboxReview::update(const std::vector<TaskCandidate> &pending)
{
    if (m_shown) {
        const auto same = std::find_if(pending.begin(), pending.end(),
            [&](const TaskCandidate &candidate) { return candidate.id == m_shown->id; });
        if (same != pending.end()) {
            m_shown = *same;
            return false;
        }
    }
    const bool hadOne = m_shown.has_value();
    if (pending.empty()) {
        m_shown.reset();
        return hadOne;
    }
    m_shown = pending.front();
    m_hasShownAny = true;
    return true;
}

InboxReview::Page InboxReview::page() const
{
    if (m_shown)
        return Page::candidate;
    return m_hasShownAny ? Page::reviewed : Page::empty;
}

std::string InboxReview::heading(std::size_t pendingCount)
{
    return "Suggested task · " + std::to_string(pendingCount) + " to review";
}

} // namespace tallowin
