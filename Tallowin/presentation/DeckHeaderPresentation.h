#pragma once

#include "Tallowin/store/TallowinSaveActivity.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <array>
#include <string>

namespace tallowin {

// What the deck header shows, derived from the store; rebuilt whenever the store changes.
struct DeckHeaderPresentation
{
    // The parts of the store's state the header depends on, besides the document.
    struct StoreState
    {
        bool hasLoaded = false;
        bool hasError = false;
        TallowinSaveActivity saveActivity = TallowinSaveActivity::idle;
        bool hasUndoDocument = false;
        bool isLoading = false;
        bool isScanning = false;
    };

    std::string status;
    bool canUndo = false;
    bool canCreate = false;
    // Delayed cards per dated pile, in the order of allDelayChoices.
    std::array<int, 4> pileCounts {};
    int actionCount = 0;
    int candidateCount = 0;
    // The last scan stopped before it covered everything.
    bool needsRetry = false;
    bool isScanning = false;

    static DeckHeaderPresentation make(const TallowinDocument &document, const StoreState &state, TallowinInstant now);

    friend bool operator==(const DeckHeaderPresentation &, const DeckHeaderPresentation &) = default;
};

} // namespace tallowin
