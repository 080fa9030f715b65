#pragma once

#include <QStyledItemDelegate>

namespace tallowin {

// Draws a card row of a TaskListModel: the title on the first line, person and state on the second, and the
// row's badge at its end. Every row has the same height, so long lists lay out at once.
class TaskRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    static constexpr int rowHeight = 52;
};

} // namespace tallowin
