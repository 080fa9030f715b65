#pragma once

#include "Tallowin/presentation/ReviewCommand.h"

#include <QKeySequence>
#include <QList>

#include <array>
#include <optional>

namespace tallowin {

// One key press as the review window sees it.
struct KeyPress
{
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    // The focus is in a field the user types into (a line edit, a text box, a date field).
    bool inTextField = false;
};

// The review window's key table. The Command key of the Mac is Ctrl here. While the user types in a text field
// no command acts: the field gets the key (Ctrl+Left moves its cursor by a word).
class TaskReviewKeys
{
public:
    static constexpr std::array<ReviewCommand, 7> allCommands
        = {ReviewCommand::nextTask, ReviewCommand::removeTask, ReviewCommand::chooseWhenThisReturns,
            ReviewCommand::completeTask, ReviewCommand::undo, ReviewCommand::newTask, ReviewCommand::backToAllPiles};

    // The keys of a command; the first is the one menus show.
    static QList<QKeySequence> shortcuts(ReviewCommand command);
    static std::optional<ReviewCommand> command(const KeyPress &press);
};

} // namespace tallowin
