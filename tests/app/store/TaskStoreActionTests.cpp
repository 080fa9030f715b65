// The store's actions and its commit path: guard, notice, save activity, undo, failures.
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "TallowinCore/workflow/TallowinDomainError.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/support/DeckBuilders.h"

#include <QSignalSpy>
#include <QTest>

#include <fstream>
#include <unistd.h>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TallowinDocument reviewDeck()
{
    std::vector<TaskItem> tasks;
    for (int i = 1; i <= 4; ++i) {
        TaskItem task = makeTask("card-" + std::to_string(i), i);
        task.title = "Card " + std::to_string(i);
        tasks.push_back(task);
    }
    TallowinDocument deck = makeDocument(std::move(tasks));
    deck.pendingCandidates.push_back(makeCandidate("candidate-1", "https://example.com/item/1"));
    deck.pendingCandidates.push_back(makeCandidate("candidate-2", "https://example.com/item/2"));
    return deck;
}

const TaskItem &cardOf(const TaskStore &store, const std::string &id)
{
    for (const TaskItem &task : store.document().tasks) {
        if (task.id == id)
            return task;
    }
    throw std::runtime_error("no card " + id);
}

const TaskItem &cardTitled(const TaskStore &store, const std::string &title)
{
    for (const TaskItem &task : store.document().tasks) {
        if (task.title == title)
            return task;
    }
    throw std::runtime_error("no card titled " + title);
}

} // namespace

class TaskStoreActionTests : public QObject
{
    Q_OBJECT

private slots:
    void anActionPublishesAtOnceAndSavesOnTheWorker()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);
        QSignalSpy published(store.get(), &TaskStore::documentChanged);
        store->complete("card-1", "Done, see https://example.com/pr/1");

        QCOMPARE(published.count(), 1);
        QCOMPARE(cardOf(*store, "card-1").state, TaskState::completed);
        QCOMPARE(store->document().revision, deck.revision + 1);
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::taskChange);
        QCOMPARE(store->notice().value_or(""), std::string("Completed Card 1."));
        QCOMPARE(store->headerPresentation().status, std::string("Saving…"));
        QVERIFY(!store->headerPresentation().canUndo);
        // Nothing has touched the disk yet.
        QCOMPARE(harness.readDeck(), deck);

        harness.settle();
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
        QCOMPARE(harness.readDeck(), store->document());
        QVERIFY(store->undoDocument() != nullptr);
        QCOMPARE(*store->undoDocument(), deck);
        QVERIFY(store->headerPresentation().canUndo);
    }

    void actionsAreRefusedBeforeTheLoadWhileLoadingAndWhileSaving()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        harness.writeDeck(deck);
        auto store = harness.makeStore();
        QVERIFY(!store->addTask("Before the load", "", ""));
        store->reload();
        store->remove("card-1");
        QVERIFY(!store->addTask("While loading", "", ""));
        harness.settle();
        QCOMPARE(store->document(), deck);

        store->remove("card-1");
        const TallowinDocument published = store->document();
        store->complete("card-2", "");
        store->beginRun();
        QVERIFY(!store->addTask("While saving", "", ""));
        QVERIFY(!store->dismissCandidate("candidate-1"));
        QCOMPARE(store->document(), published);
        QCOMPARE(store->notice().value_or(""), std::string("Task removed. Choose Undo to bring it back."));
        harness.settle();
        QCOMPARE(cardOf(*store, "card-2").state, TaskState::active);
        QCOMPARE(harness.readDeck(), published);
    }

    void everyNoticeReadsAsTheUserSeesIt()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);
        const auto notice = [&] { return store->notice().value_or("<none>"); };

        QVERIFY(store->addTask("Write the report", "For Friday", "  "));
        QCOMPARE(notice(), std::string("Task added."));
        harness.settle();
        const TaskItem &added = store->document().tasks.back();
        QCOMPARE(added.person, std::string("Me"));
        QCOMPARE(added.kind, TaskKind::commitment);
        QCOMPARE(added.title, std::string("Write the report"));

        store->delay("card-1", DelayChoice::nextWeek);
        QCOMPARE(notice(), std::string("Moved Card 1 to next week."));
        harness.settle();
        store->delay("card-2", DelayChoice::custom, harness.now + std::chrono::hours(24 * 30));
        QCOMPARE(notice(), std::string("Moved Card 2 to choose a date…."));
        harness.settle();
        QCOMPARE(cardOf(*store, "card-2").state, TaskState::delayed);

        QVERIFY(store->merge("card-3", {"card-3", "card-4", "card-2"}, "Shared"));
        QCOMPARE(notice(), std::string("Created a shared task from 3 cards."));
        harness.settle();

        TaskCandidate reviewed = deck.pendingCandidates[0];
        reviewed.title = "Reviewed title";
        QVERIFY(store->acceptCandidate(reviewed));
        QCOMPARE(notice(), std::string("Added the reviewed task to your deck."));
        harness.settle();
        const std::string acceptedID = cardTitled(*store, "Reviewed title").id;

        QVERIFY(store->dismissCandidate("candidate-2"));
        QCOMPARE(notice(), std::string("Dismissed the candidate and saved its source identity."));
        harness.settle();
        QVERIFY(store->document().pendingCandidates.empty());

        store->beginRun();
        QCOMPARE(notice(), std::string("Started a new review run."));
        harness.settle();
        store->reviewAll();
        QCOMPARE(notice(), std::string("Ready to review every card again."));
        harness.settle();
        store->changePerson(acceptedID, "Dana");
        QCOMPARE(notice(), std::string("Updated the card owner."));
        harness.settle();
        QVERIFY(store->requestAgentAction(acceptedID, "  Draft a reply  "));
        QCOMPARE(notice(), std::string("Requested an agent action for Reviewed title."));
        harness.settle();
        QCOMPARE(cardOf(*store, acceptedID).instruction, std::string("Draft a reply"));
        QCOMPARE(store->headerPresentation().actionCount, 1);
        QVERIFY(!store->errorMessage().has_value());
    }

    void coreErrorsShowTheirSentenceAndChangeNothing()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);

        QVERIFY(!store->requestAgentAction("card-1", " \n\t "));
        QCOMPARE(store->errorMessage().value_or(""),
            std::string("An instruction is required before Tallowin can request an agent action."));
        QCOMPARE(cardOf(*store, "card-1").state, TaskState::active);

        QVERIFY(!store->dismissCandidate("candidate-9"));
        QCOMPARE(store->errorMessage().value_or(""),
            std::string(TallowinDomainError::candidateNotFound("candidate-9").what()));
        TaskCandidate unknown = makeCandidate("candidate-9");
        QVERIFY(!store->acceptCandidate(unknown));
        QCOMPARE(store->errorMessage().value_or(""),
            std::string(TallowinDomainError::candidateNotFound("candidate-9").what()));
        store->complete("card-9", "");
        QCOMPARE(store->errorMessage().value_or(""), std::string(TallowinDomainError::taskNotFound("card-9").what()));
        QVERIFY(!store->addTask("  ", "", ""));

        QCOMPARE(store->document(), deck);
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
        QCOMPARE(store->headerPresentation().status, std::string("Needs attention"));
        harness.settle();
        QCOMPARE(harness.readDeck(), deck);
        QCOMPARE(store->document(), deck);
    }

    void aChangeThatChangesNothingSavesNothing()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);
        store->remove("card-1");
        harness.settle();
        const TallowinDocument *undoBefore = store->undoDocument();
        store->clearNotice();

        // A card that a reload removed meanwhile: nothing to edit.
        store->changePerson("card-9", "Dana");
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
        QVERIFY(!store->notice().has_value());
        QCOMPARE(harness.worker->pending(), std::size_t(0));
        QCOMPARE(store->undoDocument(), undoBefore);
        QVERIFY(!store->errorMessage().has_value());
    }

    void undoRestoresOnceAndThenHasNothingLeft()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);
        store->undo();
        QCOMPARE(harness.worker->pending(), std::size_t(0));

        store->remove("card-1");
        harness.settle();
        const std::int64_t removedRevision = store->document().revision;
        store->undo();
        QCOMPARE(store->notice().value_or(""), std::string("Undid the last action."));
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::taskChange);
        harness.settle();
        QCOMPARE(cardOf(*store, "card-1").state, TaskState::active);
        QCOMPARE(store->document().revision, removedRevision + 1);
        QCOMPARE(store->document().updatedAt, TallowinClock::now(harness.now));
        QVERIFY(store->undoDocument() == nullptr);
        QCOMPARE(harness.readDeck(), store->document());

        const TallowinDocument afterUndo = store->document();
        store->undo();
        QCOMPARE(harness.worker->pending(), std::size_t(0));
        QCOMPARE(store->document(), afterUndo);
    }

    void nextCardKeepsTheLastChangeUndoableAndSavesQuietly()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);
        store->remove("card-1");
        harness.settle();
        const TallowinDocument beforeRemoval = *store->undoDocument();
        store->clearNotice();

        store->nextCard("card-2");
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::reviewOrder);
        QCOMPARE(store->headerPresentation().status, std::string("Saved on this Mac"));
        QVERIFY(!store->headerPresentation().canUndo);
        QVERIFY(!store->notice().has_value());
        harness.settle();
        QCOMPARE(store->currentTask()->id, std::string("card-3"));
        QVERIFY(store->undoDocument() != nullptr);
        QCOMPARE(*store->undoDocument(), beforeRemoval);
    }

    void aRevisionConflictShowsTheRepositoryTextAndReloads()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);
        TallowinDocument external = deck;
        external.revision = deck.revision + 1;
        external.title = "Changed elsewhere";
        harness.writeDeck(external);

        QSignalSpy loads(store.get(), &TaskStore::loadFinished);
        store->remove("card-1");
        harness.settle();
        QCOMPARE(store->errorMessage().value_or(""),
            std::string(TallowinRepositoryError::revisionConflict(deck.revision, external.revision).what()));
        QCOMPARE(loads.count(), 1);
        QCOMPARE(store->document(), external);
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
        QVERIFY(store->undoDocument() == nullptr);
    }

    void aBusyWriterShowsItsTextWithoutRetrying()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);
        // A lock held by a live process: this one.
        std::ofstream(harness.deckFile.string() + ".lock") << getpid();

        QSignalSpy loads(store.get(), &TaskStore::loadFinished);
        store->remove("card-1");
        harness.settle();
        QCOMPARE(store->errorMessage().value_or(""), std::string(TallowinRepositoryError::writerBusy().what()));
        QCOMPARE(store->saveActivity(), TallowinSaveActivity::idle);
        QCOMPARE(loads.count(), 0);
        QCOMPARE(harness.readDeck(), deck);
        std::filesystem::remove(harness.deckFile.string() + ".lock");
    }

    void aFinishedCardLeavesTheBrowsedPile()
    {
        StoreHarness harness;
        TallowinDocument deck = reviewDeck();
        for (int i : {1, 2}) {
            deck.tasks[std::size_t(i)].state = TaskState::delayed;
            deck.tasks[std::size_t(i)].delayTarget = "tomorrow";
            deck.tasks[std::size_t(i)].resumeAt = "2026-03-15T09:00:00.000Z";
        }
        auto store = harness.loadedStore(&deck);
        store->openPileCarousel(DelayChoice::tomorrow);
        QCOMPARE(store->review().carouselTitle.value_or(""), std::string("Tomorrow"));
        QCOMPARE(store->currentTask()->id, std::string("card-2"));
        QCOMPARE(store->headerPresentation().pileCounts[1], 2);

        store->nextCard("card-2");
        harness.settle();
        QCOMPARE(store->currentTask()->id, std::string("card-3"));
        store->complete("card-3", "");
        harness.settle();
        QCOMPARE(store->currentTask()->id, std::string("card-2"));
        QCOMPARE(store->review().pileCarousel->remainingCount(), std::size_t(1));

        // A reload that finds the card handled elsewhere takes it out of the pile too.
        TallowinDocument external = store->document();
        external.revision += 1;
        external.tasks[1].state = TaskState::removed;
        external.tasks[1].resumeAt.reset();
        external.tasks[1].delayTarget.reset();
        harness.writeDeck(external);
        store->reload();
        harness.settle();
        QCOMPARE(store->review().pileCarousel->remainingCount(), std::size_t(0));
        store->closePileCarousel();
        QCOMPARE(store->currentTask()->id, std::string("card-1"));
    }

    void importOfTheCanonicalFileDoesNothing()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);
        harness.panels->importAnswer = harness.folder.root() / "." / "Tallowin.md";
        store->importFile();
        QCOMPARE(harness.worker->pending(), std::size_t(0));
        QVERIFY(!store->notice().has_value());
        QVERIFY(!store->importReport().has_value());
    }

    void importMergesReportsAndReloads()
    {
        StoreHarness harness;
        const TallowinDocument deck = reviewDeck();
        auto store = harness.loadedStore(&deck);
        TallowinDocument other = makeDocument({makeTask("imported-1", 1)});
        const std::filesystem::path otherFile = harness.folder.path("Other.md");
        std::ofstream(otherFile) << TaskMarkdownCodec::encode(other);
        harness.panels->importAnswer = otherFile;

        QSignalSpy loads(store.get(), &TaskStore::loadFinished);
        store->importFile();
        harness.settle();
        QVERIFY(store->importReport().has_value());
        QCOMPARE(store->notice().value_or(""), store->importReport()->summary());
        QCOMPARE(loads.count(), 1);
        QCOMPARE(store->document().tasks.size(), deck.tasks.size() + 1);
        QCOMPARE(harness.defaults->string(UserDefaults::filePathKey).value_or(QString()),
            QString::fromStdString(otherFile.string()));
    }
};

QTEST_MAIN(TaskStoreActionTests)
#include "TaskStoreActionTests.moc"
