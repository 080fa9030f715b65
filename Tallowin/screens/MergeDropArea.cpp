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
    if (!m_filled && !m_highlighted)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath shape;
    shape.addRoundedRect(frame, SheetStyle::cornerRadius, SheetStyle::cornerRadius);
    painter.fillPath(shape,
        m_highlighted ? SheetStyle::mix(colours.color(QPalette::Window), colours.color(QPalette::Highlight), 0.28)
                      : SheetStyle::tint(colours));
    QPen pen(m_highlighted ? colours.color(QPalette::Highlight)
                           : SheetStyle::mix(colours.color(QPalette::Window), colours.color(QPalette::Highlight), 0.45),
        m_highlighted ? 2.0 : 1.0);
    if (!m_highlighted)
        pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.drawPath(shape);
}

} // namespace tallowin
