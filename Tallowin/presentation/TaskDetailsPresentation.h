#pragma once

#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tallowin {

// What the details of one card show, derived from the deck.
struct TaskDetailsPresentation
{
    std::string stateBadge;
    std::string kindLabel;
    std::string title;
    std::string person;
    std::string context;
    // The card's result; nothing when it has none.
    std::optional<std::string> outcome;
    // "Returns " and the resume time, for a card waiting in a dated pile.
    std::optional<std::string> returns;
    // "Merged into " and the shared card's title (its ID when that card is gone).
    std::optional<std::string> mergedInto;
    std::string instruction;
    std::vector<TaskSource> sources;
    // "Review this task" brings back a card that is not waiting in the review queue already.
    bool canReview = false;

    using TimeText = std::function<std::string(TallowinInstant)>;
    // Nothing when no card has the ID. timeText writes the resume time for the reader.
    static std::optional<TaskDetailsPresentation> make(
        const TallowinDocument &document, const std::string &taskID, const TimeText &timeText);

    friend bool operator==(const TaskDetailsPresentation &, const TaskDetailsPresentation &) = default;
};

} // namespace tallowin
