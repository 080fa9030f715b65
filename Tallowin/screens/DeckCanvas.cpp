#include "Tallowin/screens/DeckCanvas.h"

#include "Tallowin/presentation/TaskReviewDrag.h"
#include "Tallowin/screens/CardFlight.h"
#include "Tallowin/screens/DelayRail.h"
#include "Tallowin/screens/EmptyStateView.h"
#include "Tallowin/screens/RemoveTarget.h"
#include "Tallowin/screens/ScrollWheelCycleMonitor.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/screens/TaskCard.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/canvas/TaskReviewLayout.h"
#include "TallowinCore/canvas/TaskReviewViewport.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace tallowin {

namespace {

CanvasPoint canvasPoint(QPointF point)
{
    return {point.x(), point.y()};
}

QRectF rectOf(const CanvasRect &frame)
{
    return {frame.origin.x, frame.origin.y, frame.size.width, frame.size.height};
}

// Targets narrower than this show nothing legible; the keys and the delay sheet serve instead.
constexpr int narrowestTarget = 96;

} // namespace

DeckCanvas::DeckCanvas(TaskStore &store, TallowinActions &actions, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_actions(actions)
{
    setObjectName(QStringLiteral("deckCanvas"));
    setMinimumSize(480, 420);

    m_title = new QLabel(QStringLiteral("To review"), this);
    m_title->setObjectName(QStringLiteral("canvasTitle"));
    m_title->setFont(TallowinStyle::font(this, 15, QFont::DemiBold));
    m_back = new QPushButton(this);
    m_back->setObjectName(QStringLiteral("backToAllPiles"));
    m_back->setToolTip(QString::fromUtf8(TallowinActions::backHelp));
    m_back->setStyleSheet(TallowinStyle::secondaryButton(palette(), palette().color(QPalette::Window)));
    m_back->setCursor(Qt::PointingHandCursor);
    TallowinActions::bind(m_back, actions.backToAllPiles);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("canvasCount"));
    m_count->setFont(TallowinStyle::font(this, 13, QFont::Medium));
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_remove = new RemoveTarget(this);
    connect(m_remove, &DropTarget::activated, actions.removeTask, &QAction::trigger);
    m_rail = new DelayRail(this);
    connect(m_rail, &DelayRail::chosen, this,
        [this](DelayChoice choice) { m_actions.delayTo[std::size_t(choice)]->trigger(); });
    m_empty = new EmptyStateView(actions, this);
    // The next card, under the one in the hand while it is dragged; only a picture, it takes no input.
    m_preview = new TaskCard(store, actions, this);
    m_preview->setObjectName(QStringLiteral("nextCard"));
    m_preview->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_preview->setFocusPolicy(Qt::NoFocus);
    for (QWidget *child : m_preview->findChildren<QWidget *>())
        child->setFocusPolicy(Qt::NoFocus);
    m_preview->hide();
    m_card = new TaskCard(store, actions, this);
    m_card->installEventFilter(this);
    m_flight = new CardFlight(this);
    connect(m_flight, &CardFlight::landed, this, &DeckCanvas::landed);
    m_monitor = new ScrollWheelCycleMonitor(this);
    m_monitor->setAction([this] {
        if (!m_dragging && !m_store.review().isDropping)
            m_actions.nextTask->trigger();
    });

    // Tab order: the card and its controls, then the targets left to right, then the canvas title's button.
    setTabOrder(m_card, m_remove);
    QWidget *previous = m_remove;
    for (const DelayChoice choice : allDelayChoices) {
        setTabOrder(previous, m_rail->target(choice));
        previous = m_rail->target(choice);
    }

    for (const auto signal : {&TaskStore::documentChanged, &TaskStore::reviewChanged, &TaskStore::hasLoadedChanged})
        connect(&m_store, signal, this, &DeckCanvas::refresh);
    refresh();
}

TaskDropZoneLayout DeckCanvas::zones() const
{
    return TaskDropZoneLayout({double(width()), double(height())}, int(allDelayChoices.size()));
}

QRect DeckCanvas::cardRect() const
{
    const double w = width();
    const double h = height();
    // The card shrinks to what is left between the insets, the indicator and the canvas title.
    const TaskReviewViewport viewport(
        {w - 2 * inset - gap - indicatorWidth, h - 2 * 64}, {preferredCardWidth, preferredCardHeight});
    const CanvasSize size = viewport.cardSize;
    const TaskReviewLayout layout(w, size.width, indicatorWidth, std::nullopt, inset, gap);
    const double top = std::max(64.0, (h - size.height) / 2);
    return QRectF(layout.cardMinX, top, size.width, size.height).toRect();
}

bool DeckCanvas::isAnimating() const
{
    return m_flight->flying() != CardFlight::Kind::none;
}

void DeckCanvas::refresh()
{
    const TaskReviewInteraction &review = m_store.review();
    const std::optional<TaskItem> task = m_store.currentTask();
    const bool browsing = review.pileCarousel.has_value();
    m_title->setText(
        browsing ? QString::fromStdString(review.carouselTitle.value_or("")) : QStringLiteral("To review"));
    m_back->setVisible(browsing);

    if (browsing) {
        const std::size_t remaining = review.pileCarousel->remainingCount();
        m_count->setText(remaining == 1 ? QStringLiteral("1 card") : QStringLiteral("%1 cards").arg(remaining));
    } else {
        const TallowinDocument &document = m_store.document();
        const std::size_t queued = m_store.reviewQueueIDs().size();
        const std::size_t done = document.runProcessedIDs ? document.runProcessedIDs->size() : 0;
        m_count->setText(queued == 0 ? QString() : QStringLiteral("%1 of %2").arg(done + 1).arg(done + queued));
    }

    // The card in the hand left the front (a reload, another window): the drag is over, nothing happens to it.
    if (m_dragging && (!task || task->id != m_draggedTaskID))
        cancelDrag();
    m_card->showTask(task);
    // Lifted: in the hand, or springing back to its place; the next card shows beneath.
    const bool lifted = m_dragging || m_flight->flying() == CardFlight::Kind::springBack;
    // The focus stays in the canvas when the last card goes, instead of jumping to the header.
    const bool cardHadFocus = !task && (m_card->hasFocus() || m_card->isAncestorOf(QApplication::focusWidget()));
    m_card->setVisible(task && !lifted);
    const std::optional<TaskItem> next = lifted ? nextTask() : std::nullopt;
    if (next)
        m_preview->showTask(next);
    m_preview->setVisible(next.has_value());
    if (!task && m_store.hasLoaded())
        m_empty->showKind(EmptyStateView::kindFor(m_store));
    m_empty->setVisible(!task && m_store.hasLoaded());
    if (cardHadFocus)
        focusContent();

    // A rail pinned for one card closes when another comes to the front.
    if (review.delayRailPinned && !m_dragging && (!task || (m_pinnedFor && *m_pinnedFor != task->id))) {
        m_pinnedFor.reset();
        m_store.setReview(TaskReviewDrag::railReleased(review));
        return;
    }
    m_remove->showState(review.dragSide == DragSide::left, review.removeTargetIsHighlighted);
    // A pile lights up only where a release would drop the card on it.
    m_rail->showState(review.dragSide == DragSide::right || review.delayRailPinned,
        review.dragSide == DragSide::left ? std::nullopt : review.hoveredDelayChoice);
    const bool targetsShown = task.has_value() || m_dragging || m_flight->flying() == CardFlight::Kind::drop;
    m_remove->setVisible(targetsShown && m_remove->width() >= narrowestTarget);
    m_rail->setVisible(
        targetsShown && !zones().delayFrames.empty() && zones().delayFrames.front().size.width >= narrowestTarget);
    update();
}

void DeckCanvas::focusContent()
{
    if (m_card->isVisible()) {
        m_card->setFocus(Qt::OtherFocusReason);
        return;
    }
    for (QPushButton *button : {m_empty->newTaskButton(), m_empty->reviewAgainButton()}) {
        if (m_empty->isVisible() && !button->isHidden() && button->isEnabled()) {
            button->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    setFocus(Qt::OtherFocusReason);
}

std::optional<TaskItem> DeckCanvas::nextTask() const
{
    const TaskReviewInteraction &review = m_store.review();
    std::optional<std::string> id;
    if (review.pileCarousel) {
        if (review.pileCarousel->taskIDs().size() > 1)
            id = review.pileCarousel->taskIDs()[1];
    } else {
        const std::vector<std::string> &queue = m_store.reviewQueueIDs();
        if (queue.size() > 1)
            id = queue[1];
    }
    if (!id)
        return std::nullopt;
    for (const TaskItem &task : m_store.document().tasks) {
        if (task.id == *id)
            return task;
    }
    return std::nullopt;
}

void DeckCanvas::layoutContents()
{
    const TaskDropZoneLayout layout = zones();
    m_title->setGeometry(int(inset), 14, width() / 2, 34);
    m_title->adjustSize();
    m_title->move(int(inset), 14 + (34 - m_title->height()) / 2);
    m_back->adjustSize();
    m_back->move(m_title->geometry().right() + 12, 14 + (34 - m_back->height()) / 2);
    m_count->setGeometry(width() / 2, 14, width() / 2 - int(inset), 34);
    m_card->setGeometry(cardRect());
    m_preview->setGeometry(cardRect());
    m_remove->setGeometry(rectOf(layout.removeFrame).toRect());
    m_rail->place(layout.delayFrames);
    const QRect card = cardRect();
    const int emptyWidth = std::min(width() - 48, 560);
    m_empty->setGeometry(QRect(card.center().x() - emptyWidth / 2, card.center().y() - 130, emptyWidth, 260));
    m_flight->setGeometry(rect());
    m_flight->raise();
    m_monitor->setGeometry(rect());
    m_monitor->raise();
    refresh();
}

void DeckCanvas::resizeEvent(QResizeEvent *)
{
    layoutContents();
}

// The gesture ------------------------------------------------------------------------------------------------------

void DeckCanvas::pressAt(QPointF position)
{
    if (!m_card->task() || !m_card->isVisible() || m_store.review().isDropping || isAnimating())
        return;
    if (!m_card->geometry().contains(position.toPoint()))
        return;
    m_pressing = true;
    m_pressPosition = position;
}

void DeckCanvas::moveTo(QPointF position)
{
    if (!m_pressing)
        return;
    if (!m_dragging) {
        if ((position - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
            return;
        beginDrag();
    }
    const QPointF translation = position - m_pressPosition;
    m_store.setReview(TaskReviewDrag::changed(
        m_store.review(), m_draggedTaskID, canvasPoint(position), {translation.x(), translation.y()}, zones()));
    m_flight->follow(position, overTarget());
}

void DeckCanvas::beginDrag()
{
    m_dragging = true;
    m_draggedTaskID = m_card->task()->id;
    m_flight->lift(*m_card, m_pressPosition - QPointF(m_card->pos()), m_pressPosition);
    // Every further event of the gesture comes here, whatever the card under the pointer does meanwhile.
    grabMouse();
    // The card leaves the tab chain while it is in the hand; the canvas keeps the keys, Esc among them.
    m_cardHadFocus = m_card->isAncestorOf(QApplication::focusWidget()) || m_card->hasFocus();
    setFocus(Qt::OtherFocusReason);
    m_card->hide();
    m_remove->show();
    m_rail->show();
}

void DeckCanvas::releaseAt(QPointF position)
{
    if (!m_pressing)
        return;
    m_pressing = false;
    if (!m_dragging)
        return;
    m_dragging = false;
    releaseMouse();
    m_flight->follow(position, overTarget());
    const QPointF translation = position - m_pressPosition;
    const TaskReviewDrag::Outcome outcome
        = TaskReviewDrag::ended(m_store.review(), canvasPoint(position), {translation.x(), translation.y()}, zones());
    const TaskDropZoneLayout layout = zones();
    const std::string taskID = m_draggedTaskID;
    using Kind = TaskReviewDrag::Outcome::Kind;
    switch (outcome.kind) {
    case Kind::remove:
    case Kind::delay: {
        m_store.setReview(TaskReviewDrag::dropping(outcome.review));
        const bool accepted
            = outcome.kind == Kind::remove ? m_store.remove(taskID) : m_store.delay(taskID, *outcome.choice);
        if (!accepted) {
            m_store.setReview(TaskReviewDrag::dropFinished(m_store.review()));
            break;
        }
        const QRectF target = outcome.kind == Kind::remove ? rectOf(layout.removeFrame)
                                                           : rectOf(layout.delayFrames[std::size_t(*outcome.choice)]);
        m_flight->dropInto(target.center());
        return;
    }
    case Kind::pinRail:
        m_pinnedFor = taskID;
        m_store.setReview(outcome.review);
        break;
    case Kind::chooseDate:
        m_store.setReview(outcome.review);
        emit customDateRequested(taskID);
        break;
    case Kind::springBack:
        m_store.setReview(outcome.review);
        break;
    }
    m_flight->springBack(QRectF(cardRect()).center());
}

bool DeckCanvas::cancelDrag()
{
    if (!m_dragging)
        return false;
    m_dragging = false;
    m_pressing = false;
    releaseMouse();
    m_store.setReview(TaskReviewDrag::cancelled(m_store.review()));
    m_flight->springBack(QRectF(cardRect()).center());
    return true;
}

bool DeckCanvas::overTarget() const
{
    // Only where a release would drop: a card leaning left over a pile would not be delayed.
    const TaskReviewInteraction &review = m_store.review();
    return review.removeTargetIsHighlighted || (review.hoveredDelayChoice && review.dragSide != DragSide::left);
}

void DeckCanvas::landed(CardFlight::Kind finished)
{
    if (finished == CardFlight::Kind::drop)
        m_store.setReview(TaskReviewDrag::dropFinished(m_store.review()));
    refresh();
    if (hasFocus() && m_card->isVisible())
        m_card->setFocus(m_cardHadFocus ? Qt::TabFocusReason : Qt::OtherFocusReason);
}

void DeckCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        pressAt(event->position());
    event->accept();
}

void DeckCanvas::mouseMoveEvent(QMouseEvent *event)
{
    moveTo(event->position());
}

void DeckCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        releaseAt(event->position());
}

bool DeckCanvas::eventFilter(QObject *watched, QEvent *event)
{
    // Presses on the card's face (not on its buttons or its field, which take them) start a gesture here.
    if (watched == m_card) {
        const auto position = [&] { return mapFromGlobal(static_cast<QMouseEvent *>(event)->globalPosition()); };
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                pressAt(position());
            return m_pressing;
        case QEvent::MouseMove:
            moveTo(position());
            return m_pressing;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && m_pressing) {
                releaseAt(position());
                return true;
            }
            return false;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Drawing -----------------------------------------------------------------------------------------------------------

void DeckCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_card->task() && !isAnimating())
        return;
    paintCardsBehind(painter);
    if (m_card->isVisible() || m_preview->isVisible())
        TallowinStyle::paintShadow(painter, QRectF(cardRect()), TallowinStyle::cardRadius, palette());
    paintIndicator(painter);
}

void DeckCanvas::paintCardsBehind(QPainter &painter)
{
    const TaskReviewInteraction &review = m_store.review();
    const std::size_t queued
        = review.pileCarousel ? review.pileCarousel->remainingCount() : m_store.reviewQueueIDs().size();
    // During a drop the next card is already in front.
    const int behind = int(std::min<std::size_t>(queued > 0 ? queued - 1 : 0, 3));
    const QRectF card = QRectF(cardRect());
    for (int depth = behind; depth >= 1; --depth) {
        const QRectF frame = card.translated(-7.0 * depth, 7.0 * depth).adjusted(0, 0, 0, 0);
        painter.setPen(QPen(TallowinStyle::hairline(palette()), 1));
        painter.setBrush(TallowinStyle::cardBehindColor(palette(), depth));
        painter.drawRoundedRect(frame, TallowinStyle::cardRadius, TallowinStyle::cardRadius);
    }
}

void DeckCanvas::paintIndicator(QPainter &painter)
{
    const TaskReviewInteraction &review = m_store.review();
    const std::size_t queued
        = review.pileCarousel ? review.pileCarousel->remainingCount() : m_store.reviewQueueIDs().size();
    if (queued == 0)
        return;
    // One pill per card still to see, the one in front in the accent; a long queue shows its first twelve.
    const int shown = int(std::min<std::size_t>(queued, 12));
    const QRect card = cardRect();
    const double x = card.right() + gap;
    const double pill = 6;
    const double spacing = 6;
    const double total = shown * pill + (shown - 1) * spacing;
    double y = card.center().y() - total / 2;
    painter.setPen(Qt::NoPen);
    for (int index = 0; index < shown; ++index) {
        QColor colour = index == 0 ? TallowinStyle::accent(palette()) : TallowinStyle::hairline(palette());
        if (index == shown - 1 && queued > std::size_t(shown))
            colour.setAlphaF(0.5f);
        painter.setBrush(colour);
        painter.drawRoundedRect(QRectF(x, y, indicatorWidth - 4, index == 0 ? pill * 2 : pill), 3, 3);
        y += (index == 0 ? pill * 2 : pill) + spacing;
    }
}

} // namespace tallowin
