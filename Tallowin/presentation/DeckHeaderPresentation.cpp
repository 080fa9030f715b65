#include "Tallowin/presentation/DeckHeaderPresentation.h"

#include "TallowinCore/workflow/DelayChoice.h"

namespace tallowin {

namespace {

std::string statusText(const DeckHeaderPresentation::StoreState &state)
{
    if (!state.hasLoaded)
        return "Opening…";
    if (state.hasError)
        return "Needs attention";
    // Rewriting the review order alone never shows as busy.
    if (state.saveActivity == TallowinSaveActivity::taskChange)
        return "Saving…";
    return "Saved on this Mac";
}

} // namespace

DeckHeaderPresentation DeckHeaderPresentation::make(
    const TallowinDocument &document, const StoreState &state, TallowinInstant now)
{
    DeckHeaderPresentation header;
    header.status = statusText(state);
    const bool writing = isWriting(state.saveActivity);
    header.canUndo = state.hasUndoDocument && !writing;
    header.canCreate = state.hasLoaded && !state.isLoading && !writing;
    for (const TaskItem &task : document.tasks) {
        if (task.state == TaskState::delayed)
            ++header.pileCounts[std::size_t(pileOf(task, now))];
        else if (task.state == TaskState::actionRequested)
            ++header.actionCount;
    }
    header.candidateCount = int(document.pendingCandidates.size());
    header.needsRetry = document.lastSlackScan && !document.lastSlackScan->isComplete();
    header.isScanning = state.isScanning;
    return header;
}

} // namespace tallowin
