#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tallowin {

// The card IDs of one pass through a pile, without repeats; the first is the card shown.
class TALLOWIN_CORE_EXPORT TaskCarouselSession
{
public:
    TaskCarouselSession() = default;
    // Keeps the first occurrence of each ID, in the given order.
    explicit TaskCarouselSession(const std::vector<std::string> &taskIDs);

    const std::vector<std::string> &taskIDs() const { return m_taskIDs; }
    std::optional<std::string> currentTaskID() const;
    std::size_t remainingCount() const { return m_taskIDs.size(); }

    // With at least two cards, the current one moves to the end.
    void moveCurrentToBack();
    // Removes the given IDs; the others keep their order.
    void finish(const std::set<std::string> &taskIDs);

    friend bool operator==(const TaskCarouselSession &, const TaskCarouselSession &) = default;

private:
    std::vector<std::string> m_taskIDs;
};

} // namespace tallowin
