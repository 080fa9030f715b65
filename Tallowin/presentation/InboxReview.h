#pragma once

#include "TallowinCore/document/TaskCandidate.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tallowin {

// Which suggestion the inbox shows while the user works through it. The shown candidate stays while it is
// pending, so a reload that adds suggestions does not swap it under the user's edits.
class InboxReview
{
public:
    enum class Page {
        // A suggestion to review.
        candidate,
        // Nothing was waiting when the inbox opened.
        empty,
        // The user went through what was waiting.
        reviewed,
    };

    // Follows the deck's pending candidates; true when another candidate (or none) is shown now.
    bool update(const std::vector<TaskCandidate> &pending);

    Page page() const;
    // The candidate shown, while the page is candidate.
    const std::optional<TaskCandidate> &shown() const { return m_shown; }
    // "Suggested task · " and the number of pending candidates and " to review".
    static std::string heading(std::size_t pendingCount);

private:
    std::optional<TaskCandidate> m_shown;
    bool m_hasShownAny = false;
};

} // namespace tallowin
