#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <string>
#include <vector>

namespace tallowin {

// The cards still to review: what is left of the current run, or, without a run, the active cards with highlighted
// ones first, each group by ascending order. Recomputed from the document; changes nothing.
struct TALLOWIN_CORE_EXPORT TallowinReviewQueue
{
    static std::vector<TaskItem> of(const TallowinDocument &document);
    // The same queue as card IDs, without copying the cards.
    static std::vector<std::string> ids(const TallowinDocument &document);
};

} // namespace tallowin
