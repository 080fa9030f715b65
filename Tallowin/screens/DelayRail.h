#pragma once

#include "TallowinCore/canvas/CanvasRect.h"
#include "TallowinCore/workflow/DelayChoice.h"

#include <QWidget>

#include <array>
#include <optional>
#include <vector>

namespace tallowin {

class DropTarget;

// The column of dated piles on the right of the review canvas, one drop target per DelayChoice: "Delay: " and the
// choice's label, "Choose a date…" for the custom pile, and "DROP" on the one the card is over.
class DelayRail : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char *dropText = "DROP";

    explicit DelayRail(QWidget *parent = nullptr);

    static QString labelFor(DelayChoice choice);
    DropTarget *target(DelayChoice choice) const { return m_targets[std::size_t(choice)]; }
    // Places the targets at the canvas's delay frames (in the parent's coordinates), one per choice in order.
    void place(const std::vector<CanvasRect> &frames);
    // engaged: a drag leans right or the rail is pinned open; hovered: the pile the card is over.
    void showState(bool engaged, std::optional<DelayChoice> hovered);

signals:
    void chosen(DelayChoice choice);

private:
    std::array<DropTarget *, 4> m_targets {};
};

} // namespace tallowin
