#include "Tallowin/screens/MergeDropArea.h"

#include "Tallowin/screens/SheetStyle.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>

namespace tallowin {

MergeDropArea::MergeDropArea(MergeArea area, Selection selection, QWidget *parent)
    : QFrame(parent)
    , m_area(area)
    , m_selection(std::move(selection))
{
    setAcceptDrops(true);
    setFrameShape(QFrame::NoFrame);
}

void MergeDropArea::setFilled(bool filled)
{
    m_filled = filled;
    update();
}

std::optional<MergeCardDrag> MergeDropArea::acceptable(const QMimeData *mime) const
{
    const QString format = QString::fromLatin1(MergeCardDrag::mimeType);
    if (!mime || !mime->hasFormat(format))
        return std::nullopt;
    std::optional<MergeCardDrag> card = MergeCardDrag::decoded(mime->data(format).toStdString());
    if (!card || !card->isAcceptedBy(m_area, m_selection()))
        return std::nullopt;
    return card;
}

void MergeDropArea::dragEnterEvent(QDragEnterEvent *event)
{
    if (!acceptable(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    setHighlighted(true);
}

void MergeDropArea::dragMoveEvent(QDragMoveEvent *event)
{
    if (!acceptable(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void MergeDropArea::dragLeaveEvent(QDragLeaveEvent *event)
{
    setHighlighted(false);
    QFrame::dragLeaveEvent(event);
}

void MergeDropArea::dropEvent(QDropEvent *event)
{
    setHighlighted(false);
    const std::optional<MergeCardDrag> card = acceptable(event->mimeData());
    if (!card) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    emit cardDropped(*card);
}

void MergeDropArea::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void MergeDropArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    const QColor window = colours.color(QPalette::Window);
    const QColor highlight = colours.color(QPalette::Highlight);
    const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath shape;
    shape.addRoundedRect(frame, SheetStyle::cornerRadius, SheetStyle::cornerRadius);
    if (m_highlighted) {
        painter.fillPath(shape, SheetStyle::mix(window, highlight, 0.28));
        painter.setPen(QPen(highlight, 2.0));
    } else if (m_filled) {
        // The bucket invites drops: a tinted panel with a dashed edge.
        painter.fillPath(shape, SheetStyle::tint(colours));
        QPen pen(SheetStyle::mix(window, highlight, 0.45), 1.0);
        pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
    } else {
        // A quiet edge, so both sides read as panels of the same size.
        painter.setPen(QPen(SheetStyle::mix(window, colours.color(QPalette::Text), 0.14), 1.0));
    }
    painter.drawPath(shape);
}

} // namespace tallowin
