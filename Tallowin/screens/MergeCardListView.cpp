#include "Tallowin/screens/MergeCardListView.h"

#include "Tallowin/screens/TaskListModel.h"
#include "Tallowin/screens/TaskRowDelegate.h"

#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

namespace tallowin {

MergeCardListView::MergeCardListView(MergeArea area, QWidget *parent)
    : QListView(parent)
    , m_area(area)
    , m_runDrag([](QDrag &drag) { return drag.exec(Qt::MoveAction); })
{
    setItemDelegate(new TaskRowDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    connect(this, &QListView::clicked, this,
        [this](const QModelIndex &index) { emit cardChosen(index.data(TaskListModel::taskIDRole).toString()); });
}

bool MergeCardListView::event(QEvent *event)
{
    // Return on a row moves that card, so the window's Return (which merges) must not take it first.
    if (event->type() == QEvent::ShortcutOverride && currentIndex().isValid()) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QListView::event(event);
}

void MergeCardListView::keyPressEvent(QKeyEvent *event)
{
    const bool choosing
        = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (choosing && currentIndex().isValid()) {
        emit cardChosen(currentIndex().data(TaskListModel::taskIDRole).toString());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void MergeCardListView::startDrag(Qt::DropActions)
{
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return;
    const MergeCardDrag card {m_area, index.data(TaskListModel::taskIDRole).toString().toStdString()};
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(MergeCardDrag::mimeType), QByteArray::fromStdString(card.encoded()));
    // Other programs get the title as plain text.
    mime->setText(index.data(Qt::DisplayRole).toString());
    QDrag drag(this);
    drag.setMimeData(mime);
    const QPixmap image = dragImage(index);
    drag.setPixmap(image);
    drag.setHotSpot(QPoint(24, image.height() / int(image.devicePixelRatio()) / 2));
    m_runDrag(drag);
}

QPixmap MergeCardListView::dragImage(const QModelIndex &index) const
{
    const QRect rect = visualRect(index);
    const qreal ratio = devicePixelRatioF();
    QPixmap image(rect.size() * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = QRect(QPoint(0, 0), rect.size());
    option.state |= QStyle::State_Selected;
    itemDelegateForIndex(index)->paint(&painter, option, index);
    return image;
}

} // namespace tallowin
