// The review canvas driven by real mouse and wheel events: what each gesture saves, and what it must not.
#include "Tallowin/screens/DeckCanvas.h"
#include "Tallowin/screens/DelayRail.h"
#include "Tallowin/screens/DelaySheet.h"
#include "Tallowin/screens/DropTarget.h"
#include "Tallowin/screens/RemoveTarget.h"
#include "Tallowin/screens/ScrollWheelCycleMonitor.h"
#include "Tallowin/screens/TallowinPresentedSheet.h"
#include "Tallowin/screens/TaskCard.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/app/support/WindowDecks.h"
#include "tests/app/support/WindowHarness.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QWheelEvent>

using namespace tallowin;
using namespace tallowin::test;

namespace {

const TaskItem &cardOf(const TaskStore &store, const std::string &id)
{
    for (const TaskItem &task : store.document().tasks) {
        if (task.id == id)
            return task;
    }
    throw std::runtime_error("no card " + id);
}

// A wheel event as the platform delivers it, sent to the widget under the pointer.
void wheel(
    QWidget *target, QPoint at, QPoint angle, Qt::ScrollPhase phase = Qt::NoScrollPhase, std::uint64_t timestamp = 0)
{
    QWheelEvent event(
        QPointF(at), QPointF(target->mapToGlobal(at)), QPoint(), angle, Qt::NoButton, Qt::NoModifier, phase, false);
    event.setTimestamp(timestamp);
    QApplication::sendEvent(target, &event);
}

} // namespace

class DeckCanvasTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { pinWidgetTestEnvironment(); }

    void aDragOntoTheRemoveTargetRemovesTheCard()
    {
        WindowHarness window(WindowDecks::review());
        const std::string first = window.currentID();
        window.drag(window.removeCentre(), false);
        // The target under the card says what a release does.
        QVERIFY(window.canvas().removeTarget()->isHighlighted());
        QCOMPARE(window.canvas().removeTarget()->caption(), QString("Release to remove"));
        QCOMPARE(window.store->review().dragSide, DragSide::left);
        QTest::mouseRelease(&window.canvas(), Qt::LeftButton, {}, window.removeCentre());
        QCOMPARE(cardOf(*window.store, first).state, TaskState::removed);
        QCOMPARE(window.store->notice().value_or(""), std::string("Task removed. Choose Undo to bring it back."));
        window.settle();
        QCOMPARE(window.harness.readDeck(), window.store->document());
        QVERIFY(!window.canvas().removeTarget()->isHighlighted());
        QCOMPARE(window.canvas().removeTarget()->caption(), QString("Drop card here"));
        QCOMPARE(window.store->review(), TaskReviewInteraction {});
    }

    void aDragOntoAPileDelaysTheCardThere()
    {
        const struct
        {
            DelayChoice choice;
            const char *notice;
        } cases[] = {{DelayChoice::nextRun, "to next review."}, {DelayChoice::tomorrow, "to tomorrow."},
            {DelayChoice::nextWeek, "to next week."}};
        for (const auto &item : cases) {
            WindowHarness window(WindowDecks::review());
            const std::string first = window.currentID();
            window.drag(window.delayCentre(item.choice), false);
            QCOMPARE(window.store->review().hoveredDelayChoice, std::optional<DelayChoice>(item.choice));
            DropTarget *target = window.canvas().delayRail()->target(item.choice);
            QVERIFY(target->isHighlighted());
            QCOMPARE(target->caption(), QString("DROP"));
            QTest::mouseRelease(&window.canvas(), Qt::LeftButton, {}, window.delayCentre(item.choice));
            const TaskItem &card = cardOf(*window.store, first);
            QCOMPARE(card.state, item.choice == DelayChoice::nextRun ? TaskState::active : TaskState::delayed);
            QCOMPARE(card.delayTarget, std::optional<std::string>(std::string(rawValue(item.choice))));
            QVERIFY(QString::fromStdString(window.store->notice().value_or("")).endsWith(item.notice));
            window.settle();
            QCOMPARE(window.harness.readDeck(), window.store->document());
            QVERIFY(window.currentID() != first);
        }
    }

    void aDropOnTheDatedPileAsksForTheDateFirst()
    {
        WindowHarness window(WindowDecks::review());
        const TallowinDocument before = window.store->document();
        window.drag(window.delayCentre(DelayChoice::custom));
        QCOMPARE(window.store->presentation(), std::optional(TallowinPresentation::delay(window.currentID())));
        auto *sheet = qobject_cast<DelaySheet *>(window.window->sheetHost()->sheet());
        QVERIFY(sheet);
        QVERIFY(sheet->showsCustomDate());
        QCOMPARE(window.store->document(), before);
    }

    void aShortDragRightSpringsBackAndSavesNothing()
    {
        WindowHarness window(WindowDecks::review());
        const TallowinDocument before = window.store->document();
        const std::string first = window.currentID();
        window.drag(window.canvas().cardRect().center() + QPoint(60, 10));
        QCOMPARE(window.store->document(), before);
        QCOMPARE(window.store->saveActivity(), TallowinSaveActivity::idle);
        QVERIFY(!window.store->review().delayRailPinned);
        QCOMPARE(window.store->review(), TaskReviewInteraction {});
        window.settle();
        QCOMPARE(window.harness.readDeck(), before);
        QCOMPARE(window.currentID(), first);
        QVERIFY(window.canvas().card()->isVisible());
        QCOMPARE(window.canvas().card()->geometry(), window.canvas().cardRect());
    }

    void aThrowToTheRightPinsTheRailUntilAPileIsPicked()
    {
        WindowHarness window(WindowDecks::review());
        const std::string first = window.currentID();
        window.drag(window.canvas().cardRect().center() + QPoint(200, 0));
        QVERIFY(window.store->review().delayRailPinned);
        QCOMPARE(window.store->review().dragSide, DragSide::right);
        for (const DelayChoice choice : allDelayChoices)
            QVERIFY(window.canvas().delayRail()->target(choice)->isEngaged());
        // The pinned rail is a row of buttons: the keyboard picks a pile.
        DropTarget *tomorrow = window.canvas().delayRail()->target(DelayChoice::tomorrow);
        tomorrow->setFocus(Qt::TabFocusReason);
        QTest::keyClick(tomorrow, Qt::Key_Space);
        QCOMPARE(cardOf(*window.store, first).delayTarget, std::optional<std::string>("tomorrow"));
        QVERIFY(!window.store->review().delayRailPinned);
        QCOMPARE(window.store->review().dragSide, DragSide::idle);
    }

    void escDuringADragCancelsItAndSavesNothing()
    {
        WindowHarness window(WindowDecks::review());
        const TallowinDocument before = window.store->document();
        window.drag(window.removeCentre(), false);
        QVERIFY(window.canvas().isDragging());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!window.canvas().isDragging());
        QCOMPARE(window.store->review(), TaskReviewInteraction {});
        // The release that follows belongs to no drag.
        QTest::mouseRelease(&window.canvas(), Qt::LeftButton, {}, window.removeCentre());
        QCOMPARE(window.store->document(), before);
        QVERIFY(window.canvas().card()->isVisible());
    }

    void aPressThatMovesLessThanTheStartDragDistanceIsNoDrag()
    {
        WindowHarness window(WindowDecks::review());
        DeckCanvas &canvas = window.canvas();
        const QPoint start = canvas.cardRect().center();
        QTest::mousePress(&canvas, Qt::LeftButton, {}, start);
        QTest::mouseMove(&canvas, start + QPoint(QApplication::startDragDistance() - 1, 0));
        QVERIFY(!canvas.isDragging());
        QVERIFY(!window.store->review().draggedTaskID);
        QTest::mouseMove(&canvas, start + QPoint(QApplication::startDragDistance(), 0));
        QVERIFY(canvas.isDragging());
        QCOMPARE(window.store->review().draggedTaskID, std::optional(window.currentID()));
        QCOMPARE(window.store->review().dragOffset.width, double(QApplication::startDragDistance()));
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, start);
    }

    void theDragSideChangesBeyondTwelvePoints()
    {
        WindowHarness window(WindowDecks::review());
        DeckCanvas &canvas = window.canvas();
        const QPoint start = canvas.cardRect().center();
        QTest::mousePress(&canvas, Qt::LeftButton, {}, start);
        QTest::mouseMove(&canvas, start + QPoint(12, 0));
        QCOMPARE(window.store->review().dragSide, DragSide::both);
        QTest::mouseMove(&canvas, start + QPoint(13, 0));
        QCOMPARE(window.store->review().dragSide, DragSide::right);
        QVERIFY(window.canvas().delayRail()->target(DelayChoice::nextRun)->isEngaged());
        QVERIFY(!window.canvas().removeTarget()->isEngaged());
        QTest::mouseMove(&canvas, start + QPoint(-13, 0));
        QCOMPARE(window.store->review().dragSide, DragSide::left);
        QVERIFY(window.canvas().removeTarget()->isEngaged());
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, start);
    }

    void everyTargetActsWithoutADrag()
    {
        WindowHarness window(WindowDecks::review());
        const std::string first = window.currentID();
        RemoveTarget *remove = window.canvas().removeTarget();
        QCOMPARE(remove->accessibleName(), QString("Remove"));
        remove->setFocus(Qt::TabFocusReason);
        QTest::keyClick(remove, Qt::Key_Return);
        QCOMPARE(cardOf(*window.store, first).state, TaskState::removed);
        window.settle();

        const std::string second = window.currentID();
        DropTarget *nextWeek = window.canvas().delayRail()->target(DelayChoice::nextWeek);
        QCOMPARE(nextWeek->accessibleName(), QString("Delay: Next week"));
        QTest::mouseClick(nextWeek, Qt::LeftButton);
        QCOMPARE(cardOf(*window.store, second).delayTarget, std::optional<std::string>("nextWeek"));
        window.settle();

        DropTarget *dated = window.canvas().delayRail()->target(DelayChoice::custom);
        QCOMPARE(dated->accessibleName(), QString("Choose a date…"));
        QTest::mouseClick(dated, Qt::LeftButton);
        QCOMPARE(window.store->presentation(), std::optional(TallowinPresentation::delay(window.currentID())));
    }

    void aScreenReaderPressesTheTargetsAsButtons()
    {
        WindowHarness window(WindowDecks::review());
        const std::string first = window.currentID();
        QAccessibleInterface *remove = QAccessible::queryAccessibleInterface(window.canvas().removeTarget());
        QVERIFY(remove);
        QCOMPARE(remove->role(), QAccessible::Button);
        QCOMPARE(remove->text(QAccessible::Name), QString("Remove"));
        QAccessibleActionInterface *press = remove->actionInterface();
        QVERIFY(press);
        QCOMPARE(press->actionNames(), QStringList {QAccessibleActionInterface::pressAction()});
        press->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(cardOf(*window.store, first).state, TaskState::removed);
        window.settle();

        const std::string second = window.currentID();
        QAccessibleInterface *tomorrow
            = QAccessible::queryAccessibleInterface(window.canvas().delayRail()->target(DelayChoice::tomorrow));
        QCOMPARE(tomorrow->text(QAccessible::Name), QString("Delay: Tomorrow"));
        tomorrow->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(cardOf(*window.store, second).delayTarget, std::optional<std::string>("tomorrow"));
    }

    void aDragEndsWhenItsCardLeavesTheFront()
    {
        WindowHarness window(WindowDecks::review());
        const std::string held = window.currentID();
        window.drag(window.removeCentre(), false);
        QVERIFY(window.canvas().isDragging());
        // Another program completes the card in the hand.
        TallowinDocument changed = window.harness.readDeck();
        changed.tasks[0].state = TaskState::completed;
        changed.revision += 1;
        window.harness.writeDeck(changed);
        window.store->reload();
        window.settle();
        QVERIFY(!window.canvas().isDragging());
        QTest::mouseRelease(&window.canvas(), Qt::LeftButton, {}, window.removeCentre());
        window.settle();
        QCOMPARE(cardOf(*window.store, held).state, TaskState::completed);
        QCOMPARE(window.store->review(), TaskReviewInteraction {});
        QCOMPARE(window.harness.readDeck(), changed);
    }

    void theTargetsCarryTheirLabels()
    {
        WindowHarness window(WindowDecks::review());
        const QStringList expected
            = {"Delay: Next review", "Delay: Tomorrow", "Delay: Next week", QStringLiteral("Choose a date…")};
        for (const DelayChoice choice : allDelayChoices) {
            DropTarget *target = window.canvas().delayRail()->target(choice);
            QCOMPARE(target->label(), expected[int(choice)]);
            QCOMPARE(target->accessibleName(), expected[int(choice)]);
            QVERIFY(target->caption().isEmpty());
            QVERIFY(target->isVisible());
        }
        QCOMPARE(window.canvas().removeTarget()->label(), QString("Remove"));
        QCOMPARE(window.canvas().removeTarget()->caption(), QString("Drop card here"));
    }

    void threeWheelNotchesMoveOnThreeCards()
    {
        WindowHarness window(WindowDecks::review());
        QVERIFY(window.canvas().wheelMonitor()->isMonitoring());
        std::vector<std::string> seen {window.currentID()};
        for (int notch = 0; notch < 3; ++notch) {
            wheel(window.canvas().card(), QPoint(40, 40), QPoint(0, -120), Qt::NoScrollPhase, 1000 + notch * 400);
            window.settle();
            seen.push_back(window.currentID());
        }
        QCOMPARE(std::set<std::string>(seen.begin(), seen.end()).size(), std::size_t(4));
        // Moving on saves the review order but never shows as busy, and keeps undo as it was.
        QCOMPARE(window.harness.readDeck(), window.store->document());
        QVERIFY(!window.store->notice());
    }

    void aTrackpadSwipeWithLongMomentumMovesOnOneCard()
    {
        WindowHarness window(WindowDecks::review());
        const std::string first = window.currentID();
        QWidget *over = window.canvas().card();
        wheel(over, QPoint(30, 30), QPoint(0, -6), Qt::ScrollBegin);
        for (int i = 0; i < 10; ++i)
            wheel(over, QPoint(30, 30), QPoint(0, -40), Qt::ScrollUpdate);
        wheel(over, QPoint(30, 30), QPoint(0, 0), Qt::ScrollEnd);
        window.settle();
        for (int i = 0; i < 120; ++i) {
            wheel(over, QPoint(30, 30), QPoint(0, -30), Qt::ScrollMomentum);
            window.settle();
        }
        wheel(over, QPoint(30, 30), QPoint(0, 0), Qt::ScrollEnd);
        window.settle();
        QVERIFY(window.currentID() != first);
        const TallowinDocument afterOne = window.store->document();
        // Exactly one: the card after the first is in front, and the deck changed once.
        QCOMPARE(afterOne.revision, WindowDecks::review().revision + 1);
    }

    void aHorizontalSwipeMovesOnNothing()
    {
        WindowHarness window(WindowDecks::review());
        const TallowinDocument before = window.store->document();
        QWidget *over = window.canvas().card();
        wheel(over, QPoint(30, 30), QPoint(-10, 1), Qt::ScrollBegin);
        for (int i = 0; i < 10; ++i)
            wheel(over, QPoint(30, 30), QPoint(-60, 8), Qt::ScrollUpdate);
        wheel(over, QPoint(30, 30), QPoint(0, 0), Qt::ScrollEnd);
        for (int i = 0; i < 10; ++i)
            wheel(over, QPoint(30, 30), QPoint(-120, 0));
        window.settle();
        QCOMPARE(window.store->document(), before);
    }

    void anX11FlickOfSubNotchDeltasMovesOnOneCard()
    {
        WindowHarness window(WindowDecks::review());
        const std::int64_t revision = window.store->document().revision;
        QWidget *over = window.canvas().card();
        std::uint64_t at = 5000;
        for (const int delta : {-8, -16, -30, -60, -150, -90, -45, -20, -9, -3}) {
            wheel(over, QPoint(30, 30), QPoint(0, delta), Qt::NoScrollPhase, at);
            window.settle();
            at += 9;
        }
        QCOMPARE(window.store->document().revision, revision + 1);
        QVERIFY(window.canvas().wheelMonitor()->gestureActive());
        // The burst ends after its quiet time; the next notch moves on again.
        QTRY_VERIFY(!window.canvas().wheelMonitor()->gestureActive());
        wheel(over, QPoint(30, 30), QPoint(0, -120), Qt::NoScrollPhase, at + 1000);
        window.settle();
        QCOMPARE(window.store->document().revision, revision + 2);
    }

    void scrollsOutsideTheCanvasPassThrough()
    {
        WindowHarness window(WindowDecks::review());
        const TallowinDocument before = window.store->document();
        QWidget *header = window.window->findChild<QWidget *>("deckHeader");
        QVERIFY(header);
        wheel(header, QPoint(100, 10), QPoint(0, -120));
        window.settle();
        QCOMPARE(window.store->document(), before);
    }
};

QTEST_MAIN(DeckCanvasTests)
#include "DeckCanvasTests.moc"
