#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tallowin {

// A carousel order of card IDs that stays stable while the review queue changes underneath it.
struct TALLOWIN_CORE_EXPORT TaskCarouselPosition
{
    std::vector<std::string> taskIDs;
    std::optional<std::string> currentTaskID;

    // Drops IDs that left the queue, appends new ones in queue order, and shows the queue's first card.
    void observe(const std::vector<std::string> &queueIDs);
    // Position of the current card in taskIDs; 0 when there is none.
    std::size_t currentIndex() const;

    friend bool operator==(const TaskCarouselPosition &, const TaskCarouselPosition &) = default;
};

} // namespace tallowin
