#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TaskItem.h"
#include "TallowinCore/workflow/TaskDecision.h"

#include <array>
#include <optional>
#include <string_view>

namespace tallowin {

// A dated pile, and the way to send a card there.
enum class DelayChoice { nextRun, tomorrow, nextWeek, custom };

inline constexpr std::array<DelayChoice, 4> allDelayChoices
    = {DelayChoice::nextRun, DelayChoice::tomorrow, DelayChoice::nextWeek, DelayChoice::custom};

// The case name, which is also what a card's delayTarget holds.
TALLOWIN_CORE_EXPORT std::string_view rawValue(DelayChoice choice);
TALLOWIN_CORE_EXPORT std::optional<DelayChoice> delayChoiceFromRawValue(std::string_view text);
// The pile's name in the header.
TALLOWIN_CORE_EXPORT std::string_view pileLabel(DelayChoice choice);
// The choice's name on the delay rail and the sheets, also used in notices.
TALLOWIN_CORE_EXPORT std::string_view choiceLabel(DelayChoice choice);
// The decision that sends a card to the pile; custom needs its date.
TALLOWIN_CORE_EXPORT TaskDecision decision(DelayChoice choice, TallowinInstant customDate);

// The pile a delayed card sits in: its delay target when that names a pile, else by how far off its resume
// time is (two and eight calendar days from now in the local zone), else the scheduled pile.
TALLOWIN_CORE_EXPORT DelayChoice pileOf(const TaskItem &task, TallowinInstant now);

} // namespace tallowin
