// The review window's key table, and that typing in a field never triggers it.
#include "Tallowin/presentation/TaskReviewKeys.h"

#include <gtest/gtest.h>

using namespace tallowin;

TEST(TaskReviewKeysTests, everyKeyOfTheTableNamesItsCommand)
{
    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        std::optional<ReviewCommand> command;
    } cases[] = {
        {Qt::Key_Down, Qt::ControlModifier, ReviewCommand::nextTask},
        {Qt::Key_Left, Qt::ControlModifier, ReviewCommand::removeTask},
        {Qt::Key_Right, Qt::ControlModifier, ReviewCommand::chooseWhenThisReturns},
        {Qt::Key_Return, Qt::ControlModifier, ReviewCommand::completeTask},
        {Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier, ReviewCommand::completeTask},
        {Qt::Key_Z, Qt::ControlModifier, ReviewCommand::undo},
        {Qt::Key_N, Qt::ControlModifier, ReviewCommand::newTask},
        {Qt::Key_Escape, Qt::NoModifier, ReviewCommand::backToAllPiles},
        {Qt::Key_Down, Qt::NoModifier, std::nullopt},
        {Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, std::nullopt},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, std::nullopt},
        {Qt::Key_Return, Qt::NoModifier, std::nullopt},
        {Qt::Key_Up, Qt::ControlModifier, std::nullopt},
        {Qt::Key_N, Qt::AltModifier, std::nullopt},
    };
    for (const auto &item : cases) {
        EXPECT_EQ(TaskReviewKeys::command({item.key, item.modifiers, false}), item.command)
            << QKeySequence(QKeyCombination(item.modifiers, Qt::Key(item.key))).toString().toStdString();
        // In a text field the key belongs to the field.
        EXPECT_EQ(TaskReviewKeys::command({item.key, item.modifiers, true}), std::nullopt);
    }
}

TEST(TaskReviewKeysTests, menusShowTheCtrlKeys)
{
    const struct
    {
        ReviewCommand command;
        const char *shown;
    } cases[] = {{ReviewCommand::nextTask, "Ctrl+Down"}, {ReviewCommand::removeTask, "Ctrl+Left"},
        {ReviewCommand::chooseWhenThisReturns, "Ctrl+Right"}, {ReviewCommand::completeTask, "Ctrl+Return"},
        {ReviewCommand::undo, "Ctrl+Z"}, {ReviewCommand::newTask, "Ctrl+N"}, {ReviewCommand::backToAllPiles, "Esc"}};
    for (const auto &item : cases)
        EXPECT_EQ(TaskReviewKeys::shortcuts(item.command).front().toString().toStdString(), item.shown);
}
