#pragma once

#include "Tallowin/presentation/MergeCardDrag.h"

#include <QFrame>

#include <functional>
#include <optional>

class QMimeData;

namespace tallowin {

// One side of the merge sheet as a drop target: it takes the cards MergeCardDrag says it takes, lights up while
// one hovers, and reports the drop. Its label is its accessible name.
class MergeDropArea : public QFrame
{
    Q_OBJECT

public:
    // The selection the drop rules are checked against; asked on every drag event.
    using Selection = std::function<const MergeSelection &()>;

    MergeDropArea(MergeArea area, Selection selection, QWidget *parent = nullptr);

    MergeArea area() const { return m_area; }
    bool isHighlighted() const { return m_highlighted; }
    // Draws the area as a tinted panel (the bucket) rather than an outlined one.
    void setFilled(bool filled);

signals:
    void cardDropped(const MergeCardDrag &card);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<MergeCardDrag> acceptable(const QMimeData *mime) const;
    void setHighlighted(bool highlighted);

    MergeArea m_area;
    Selection m_selection;
    bool m_filled = false;
    bool m_highlighted = false;
};

} // namespace tallowin
