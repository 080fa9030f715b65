#pragma once

namespace tallowin {

// A command of the review window that has a key of its own.
enum class ReviewCommand {
    nextTask,
    removeTask,
    chooseWhenThisReturns,
    completeTask,
    undo,
    newTask,
    // Closes the pile carousel, cancels a drag or releases the pinned delay rail.
    backToAllPiles,
};

} // namespace tallowin
