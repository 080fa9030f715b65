#pragma once

#include "Tallowin/presentation/MergeCardDrag.h"

#include <QListView>

#include <functional>

class QDrag;

namespace tallowin {

// A list of cards in the merge sheet that the user clicks or drags cards out of. A drag carries the card as a
// MergeCardDrag; the area it is dropped on decides what happens.
class MergeCardListView : public QListView
{
    Q_OBJECT

public:
    // Runs a drag until the user drops or cancels it; the platform's drag loop unless a test stands in.
    using DragRunner = std::function<Qt::DropAction(QDrag &)>;

    MergeCardListView(MergeArea area, QWidget *parent = nullptr);

    MergeArea area() const { return m_area; }
    void setDragRunner(DragRunner runner) { m_runDrag = std::move(runner); }

signals:
    // A click, or Space or Return on the current row: the card changes sides.
    void cardChosen(const QString &taskID);

protected:
    bool event(QEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPixmap dragImage(const QModelIndex &index) const;

    MergeArea m_area;
    DragRunner m_runDrag;
};

} // namespace tallowin
