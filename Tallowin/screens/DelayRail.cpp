#include "Tallowin/screens/DelayRail.h"

#include "Tallowin/screens/DropTarget.h"
#include "Tallowin/screens/TallowinStyle.h"

#include <QtMath>

namespace tallowin {

DelayRail::DelayRail(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("delayRail"));
    for (const DelayChoice choice : allDelayChoices) {
        auto *target = new DropTarget(labelFor(choice), &TallowinStyle::delayTint, this);
        target->setObjectName(QStringLiteral("delayTarget.") + QString::fromUtf8(rawValue(choice).data()));
        connect(target, &DropTarget::activated, this, [this, choice] { emit chosen(choice); });
        m_targets[std::size_t(choice)] = target;
    }
}

QString DelayRail::labelFor(DelayChoice choice)
{
    const std::string_view label = choiceLabel(choice);
    const QString text = QString::fromUtf8(label.data(), qsizetype(label.size()));
    if (choice == DelayChoice::custom)
        return text;
    return QStringLiteral("Delay: ") + text;
}

void DelayRail::place(const std::vector<CanvasRect> &frames)
{
    if (frames.empty()) {
        hide();
        return;
    }
    QRectF bounds;
    for (const CanvasRect &frame : frames)
        bounds |= QRectF(frame.origin.x, frame.origin.y, frame.size.width, frame.size.height);
    const QRect outer = bounds.toAlignedRect();
    setGeometry(outer);
    for (std::size_t index = 0; index < m_targets.size(); ++index) {
        DropTarget *target = m_targets[index];
        if (index >= frames.size() || frames[index].size.width < 96) {
            target->hide();
            continue;
        }
        const CanvasRect &frame = frames[index];
        target->setGeometry(qRound(frame.origin.x) - outer.x(), qRound(frame.origin.y) - outer.y(),
            qRound(frame.size.width), qRound(frame.size.height));
        target->show();
    }
    // Too narrow for any target: the keys and the delay sheet serve instead.
    setVisible(frames.front().size.width >= 96);
}

void DelayRail::showState(bool engaged, std::optional<DelayChoice> hovered)
{
    for (const DelayChoice choice : allDelayChoices) {
        DropTarget *target = m_targets[std::size_t(choice)];
        const bool over = hovered == choice;
        target->setEngaged(engaged);
        target->setHighlighted(over);
        target->setCaption(over ? QString::fromUtf8(dropText) : QString());
    }
}

} // namespace tallowin
