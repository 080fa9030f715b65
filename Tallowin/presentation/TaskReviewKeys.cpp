#include "Tallowin/presentation/TaskReviewKeys.h"

namespace tallowin {

QList<QKeySequence> TaskReviewKeys::shortcuts(ReviewCommand command)
{
    switch (command) {
    case ReviewCommand::nextTask:
        return {QKeySequence(Qt::CTRL | Qt::Key_Down)};
    case ReviewCommand::removeTask:
        return {QKeySequence(Qt::CTRL | Qt::Key_Left)};
    case ReviewCommand::chooseWhenThisReturns:
        return {QKeySequence(Qt::CTRL | Qt::Key_Right)};
    case ReviewCommand::completeTask:
        // The keypad's Enter is the same key to the hand.
        return {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)};
    case ReviewCommand::undo:
        return {QKeySequence(Qt::CTRL | Qt::Key_Z)};
    case ReviewCommand::newTask:
        return {QKeySequence(Qt::CTRL | Qt::Key_N)};
    case ReviewCommand::backToAllPiles:
        return {QKeySequence(Qt::Key_Escape)};
    }
    return {};
}

std::optional<ReviewCommand> TaskReviewKeys::command(const KeyPress &press)
{
    if (press.inTextField)
        return std::nullopt;
    // The keypad flag is not part of the keys above; Shift or Alt with them is another key.
    const Qt::KeyboardModifiers modifiers = press.modifiers & ~Qt::KeypadModifier;
    const QKeySequence pressed(QKeyCombination(modifiers, Qt::Key(press.key)));
    for (const ReviewCommand command : allCommands) {
        for (const QKeySequence &sequence : shortcuts(command)) {
            if (sequence == pressed)
                return command;
        }
    }
    return std::nullopt;
}

} // namespace tallowin
