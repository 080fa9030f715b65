#include "Tallowin/screens/RemoveTarget.h"

#include "Tallowin/screens/TallowinStyle.h"

namespace tallowin {

RemoveTarget::RemoveTarget(QWidget *parent)
    : DropTarget(QString::fromUtf8(labelText), &TallowinStyle::removeTint, parent)
{
    setObjectName(QStringLiteral("removeTarget"));
    setCaption(QString::fromUtf8(restingText));
}

void RemoveTarget::showState(bool engaged, bool highlighted)
{
    setEngaged(engaged);
    setHighlighted(highlighted);
    setCaption(QString::fromUtf8(highlighted ? releaseText : restingText));
}

} // namespace tallowin
