#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/canvas/CanvasSize.h"

namespace tallowin {

// How large the card in front may be: its preferred size, shrunk to the space available.
struct TALLOWIN_CORE_EXPORT TaskReviewViewport
{
    // Never negative: a canvas squeezed below nothing gives a card of no size.
    TaskReviewViewport(CanvasSize available, CanvasSize preferred);

    CanvasSize cardSize;

    friend bool operator==(const TaskReviewViewport &, const TaskReviewViewport &) = default;
};

} // namespace tallowin
