#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/canvas/CanvasSize.h"

#include <optional>

namespace tallowin {

// Where a drag of the card in front sends it: up or down to the next card, left to remove, right to later.
class TALLOWIN_CORE_EXPORT TaskReviewSwipe
{
public:
    enum class Kind { next, remove, later };

    static TaskReviewSwipe next() { return TaskReviewSwipe(Kind::next); }
    static TaskReviewSwipe remove() { return TaskReviewSwipe(Kind::remove); }
    static TaskReviewSwipe later() { return TaskReviewSwipe(Kind::later); }

    // None until the drag reaches commitDistance along one axis. The longer axis wins; a tie is horizontal,
    // and a horizontal drag of negative zero counts as rightwards.
    static std::optional<TaskReviewSwipe> intent(CanvasSize translation, double commitDistance);

    Kind kind() const { return m_kind; }

    friend bool operator==(const TaskReviewSwipe &, const TaskReviewSwipe &) = default;

private:
    explicit TaskReviewSwipe(Kind kind)
        : m_kind(kind)
    { }

    Kind m_kind;
};

} // namespace tallowin
