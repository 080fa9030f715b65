#pragma once

#include "Tallowin/screens/CardFlight.h"
#include "TallowinCore/canvas/TaskDropZoneLayout.h"
#include "TallowinCore/document/TaskItem.h"

#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QPushButton;

namespace tallowin {

class DelayRail;
class EmptyStateView;
class RemoveTarget;
class ScrollWheelCycleMonitor;
class TallowinActions;
class TaskCard;
class TaskStore;

// The review canvas: the card in front with the cards behind it, the remove target on the left, the delay rail on
// the right and the canvas title. The card is dragged with plain mouse events once the pointer travelled the
// platform's start-drag distance; TaskReviewDrag decides what the release does. Everything it shows comes from the
// store; what it keeps is the gesture in flight and the frames of its animations.
class DeckCanvas : public QWidget
{
    Q_OBJECT

public:
    static constexpr double preferredCardWidth = 560;
    static constexpr double preferredCardHeight = 400;
    static constexpr double inset = 24;
    static constexpr double gap = 16;
    static constexpr double indicatorWidth = 10;

    DeckCanvas(TaskStore &store, TallowinActions &actions, QWidget *parent = nullptr);

    TaskDropZoneLayout zones() const;
    // Where the card in front sits at rest.
    QRect cardRect() const;

    TaskCard *card() const { return m_card; }
    RemoveTarget *removeTarget() const { return m_remove; }
    DelayRail *delayRail() const { return m_rail; }
    EmptyStateView *emptyState() const { return m_empty; }
    ScrollWheelCycleMonitor *wheelMonitor() const { return m_monitor; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *countLabel() const { return m_count; }
    QPushButton *backButton() const { return m_back; }

    bool isDragging() const { return m_dragging; }
    bool isAnimating() const;
    // Esc: a drag in flight springs back and nothing happens. False when no drag runs.
    bool cancelDrag();
    // Gives the keyboard to what the canvas shows: the card, else the empty state's button, else the canvas.
    void focusContent();

signals:
    // A card dropped on the custom pile: the date comes first.
    void customDateRequested(const std::string &taskID);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    std::optional<TaskItem> nextTask() const;
    void layoutContents();
    void pressAt(QPointF position);
    void moveTo(QPointF position);
    void releaseAt(QPointF position);
    void beginDrag();
    bool overTarget() const;
    void landed(CardFlight::Kind kind);
    void paintCardsBehind(QPainter &painter);
    void paintIndicator(QPainter &painter);

    TaskStore &m_store;
    TallowinActions &m_actions;
    QLabel *m_title;
    QLabel *m_count;
    QPushButton *m_back;
    TaskCard *m_card;
    TaskCard *m_preview;
    CardFlight *m_flight;
    EmptyStateView *m_empty;
    RemoveTarget *m_remove;
    DelayRail *m_rail;
    ScrollWheelCycleMonitor *m_monitor;

    // The gesture: where the press landed, whether it became a drag, and the card it holds.
    bool m_pressing = false;
    bool m_dragging = false;
    QPointF m_pressPosition;
    std::string m_draggedTaskID;
    bool m_cardHadFocus = false;
    // What the rail was pinned for: it closes when another card comes to the front.
    std::optional<std::string> m_pinnedFor;
};

} // namespace tallowin
