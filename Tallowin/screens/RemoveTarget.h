#pragma once

#include "Tallowin/screens/DropTarget.h"

namespace tallowin {

// The drop target on the left that removes the card in front: "Remove", with "Drop card here" at rest and
// "Release to remove" while the card is over it.
class RemoveTarget : public DropTarget
{
    Q_OBJECT

public:
    static constexpr const char *labelText = "Remove";
    static constexpr const char *restingText = "Drop card here";
    static constexpr const char *releaseText = "Release to remove";

    explicit RemoveTarget(QWidget *parent = nullptr);

    // Shows what the review state says: highlighted while the card is over it, engaged while a drag leans left.
    void showState(bool engaged, bool highlighted);
};

} // namespace tallowin
