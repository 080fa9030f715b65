#include "Tallowin/screens/TaskRowDelegate.h"

#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/screens/TaskListModel.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace tallowin {

void TaskRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QPalette &palette = option.palette;
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(option.rect).adjusted(2, 2, -2, -2);
    QPainterPath shape;
    shape.addRoundedRect(card, 8, 8);
    QColor fill = SheetStyle::surface(palette);
    if (selected)
        fill = SheetStyle::accent(palette);
    else if (hovered)
        fill = SheetStyle::tint(palette);
    painter->fillPath(shape, fill);
    if (option.state & QStyle::State_HasFocus && !selected) {
        painter->setPen(QPen(palette.color(QPalette::Highlight), 1.5));
        painter->drawPath(shape);
    }

    const QColor text = selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text);
    // On the accent the second line keeps the full text colour; its smaller size sets it apart.
    const QColor secondary = selected ? text : SheetStyle::secondaryText(palette);
    QRect content = option.rect.adjusted(14, 7, -14, -7);

    const QString badge = index.data(TaskListModel::badgeRole).toString();
    if (!badge.isEmpty()) {
        QFont badgeFont = option.font;
        badgeFont.setPixelSize(SheetStyle::secondaryPixels);
        badgeFont.setWeight(QFont::DemiBold);
        const QFontMetrics metrics(badgeFont);
        const int width = metrics.horizontalAdvance(badge) + 16;
        const QRect pill(content.right() - width + 1, option.rect.center().y() - 11, width, 22);
        QPainterPath pillShape;
        pillShape.addRoundedRect(QRectF(pill), 11, 11);
        painter->fillPath(pillShape,
            selected ? SheetStyle::mix(fill, text, 0.2)
                     : SheetStyle::mix(fill, palette.color(QPalette::Highlight), 0.25));
        painter->setFont(badgeFont);
        painter->setPen(text);
        painter->drawText(pill, Qt::AlignCenter, badge);
        content.setRight(pill.left() - 10);
    }

    QFont titleFont = option.font;
    titleFont.setWeight(QFont::DemiBold);
    const QFontMetrics titleMetrics(titleFont);
    painter->setFont(titleFont);
    painter->setPen(text);
    const QRect titleRect(content.left(), content.top(), content.width(), titleMetrics.height());
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, titleRect.width()));

    QFont detailFont = option.font;
    detailFont.setPixelSize(SheetStyle::secondaryPixels);
    const QFontMetrics detailMetrics(detailFont);
    painter->setFont(detailFont);
    painter->setPen(secondary);
    const QRect detailRect(
        content.left(), content.bottom() - detailMetrics.height() + 1, content.width(), detailMetrics.height());
    painter->drawText(detailRect, Qt::AlignLeft | Qt::AlignVCenter,
        detailMetrics.elidedText(index.data(TaskListModel::detailRole).toString(), Qt::ElideRight, detailRect.width()));
    painter->restore();
}

QSize TaskRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return {option.rect.width() > 0 ? option.rect.width() : 320, rowHeight};
}

} // namespace tallowin
