// Discovery hand-over, diagnostics export, the header and the store's small state types.
#include "Tallowin/presentation/DeckHeaderPresentation.h"
#include "Tallowin/presentation/OpenFilter.h"
#include "Tallowin/presentation/TallowinPresentation.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/discovery/TallowinDiscoveryLink.h"
#include "TallowinCore/workflow/DelayChoice.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/ScopedTimeZone.h"

#include <QTest>

#include <fstream>
#include <sstream>

using namespace tallowin;
using namespace tallowin::test;

namespace {

std::string fileText(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TaskItem delayedCard(const std::string &id, std::optional<std::string> target, std::optional<std::string> resumeAt)
{
    TaskItem task = makeTask(id, 1, TaskState::delayed);
    task.delayTarget = std::move(target);
    task.resumeAt = std::move(resumeAt);
    return task;
}

} // namespace

class TaskStoreExchangeTests : public QObject
{
    Q_OBJECT

private slots:
    void discoveryOpensOneScanAndReportsIt()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        store->startDiscovery();
        QVERIFY(store->isScanning());
        QCOMPARE(store->scanStatus().value_or(""), std::string("Checking Slack access and looking for tasks…"));
        QVERIFY(store->headerPresentation().isScanning);
        store->startDiscovery();
        harness.settle();

        QCOMPARE(harness.openedLinks.size(), std::size_t(1));
        QCOMPARE(harness.openedLinks[0], TallowinDiscoveryLink::codexLink(harness.deckFile));
        const std::string opened = "Task scan opened in Codex. Run it there, then return to Tallowin.";
        QCOMPARE(store->scanStatus().value_or(""), opened);
        QCOMPARE(store->notice().value_or(""), opened);
        QVERIFY(!store->isScanning());
    }

    void discoveryWithoutCodexSaysSo()
    {
        StoreHarness harness;
        harness.linksOpen = false;
        auto store = harness.loadedStore();
        store->startDiscovery();
        harness.settle();
        QVERIFY(!store->scanStatus().has_value());
        QCOMPARE(store->errorMessage().value_or(""),
            std::string("Tallowin could not open Codex. Install Codex, then try again."));
        QVERIFY(!store->isScanning());
    }

    void discoveryOfARelativeDeckCannotFormALink()
    {
        StoreHarness harness;
        auto store = harness.makeStore(std::filesystem::path("relative/Tallowin.md"));
        store->startDiscovery();
        harness.settle();
        QCOMPARE(store->errorMessage().value_or(""), std::string("Tallowin could not prepare the Codex task scan."));
        QVERIFY(harness.openedLinks.empty());
    }

    void diagnosticsAreWrittenWhereTheUserChose()
    {
        ScopedTimeZone zone("Europe/Berlin");
        StoreHarness harness;
        auto store = harness.loadedStore();
        harness.panels->diagnosticsAnswer = harness.folder.path("report.md");
        store->exportDiagnostics();
        harness.settle();
        QCOMPARE(harness.panels->proposedNames, std::vector<std::string> {"Tallowin-Diagnostics-2026-03-14-102653.md"});
        QCOMPARE(fileText(harness.folder.path("report.md")), store->diagnosticsReport());
        QVERIFY(store->diagnosticsReport().rfind("# Tallowin diagnostics\n\n", 0) == 0);
        QCOMPARE(store->notice().value_or(""), std::string("Exported a diagnostic report you can attach here."));
    }

    void aCancelledOrFailedExportSaysWhatHappened()
    {
        StoreHarness harness;
        auto store = harness.loadedStore();
        store->exportDiagnostics();
        QCOMPARE(harness.worker->pending(), std::size_t(0));
        QVERIFY(!store->notice().has_value());

        harness.panels->diagnosticsAnswer = harness.folder.path("missing-folder/report.md");
        store->exportDiagnostics();
        harness.settle();
        const std::string message = store->errorMessage().value_or("");
        QVERIFY2(message.rfind("Tallowin could not export diagnostics: ", 0) == 0, message.c_str());
        QVERIFY(!std::filesystem::exists(harness.folder.path("missing-folder")));
    }

    void headerStatusFollowsLoadErrorAndSave()
    {
        const TallowinDocument empty = makeDocument();
        const TallowinInstant now = *TallowinClock::date(fixedTime);
        DeckHeaderPresentation::StoreState state;
        QCOMPARE(DeckHeaderPresentation::make(empty, state, now).status, std::string("Opening…"));
        QVERIFY(!DeckHeaderPresentation::make(empty, state, now).canCreate);
        state.hasLoaded = true;
        state.saveActivity = TallowinSaveActivity::taskChange;
        state.hasUndoDocument = true;
        DeckHeaderPresentation saving = DeckHeaderPresentation::make(empty, state, now);
        QCOMPARE(saving.status, std::string("Saving…"));
        QVERIFY(!saving.canUndo);
        QVERIFY(!saving.canCreate);
        state.hasError = true;
        QCOMPARE(DeckHeaderPresentation::make(empty, state, now).status, std::string("Needs attention"));
        state.hasError = false;
        state.saveActivity = TallowinSaveActivity::reviewOrder;
        QCOMPARE(DeckHeaderPresentation::make(empty, state, now).status, std::string("Saved on this Mac"));
        state.saveActivity = TallowinSaveActivity::idle;
        state.isLoading = true;
        QVERIFY(DeckHeaderPresentation::make(empty, state, now).canUndo);
        QVERIFY(!DeckHeaderPresentation::make(empty, state, now).canCreate);
    }

    void headerCountsPilesAgentCardsCandidatesAndIncompleteScans()
    {
        TallowinDocument deck = makeDocument({delayedCard("a", "nextRun", std::nullopt),
            delayedCard("b", std::nullopt, "2026-03-15T09:00:00.000Z"), delayedCard("c", "someday", std::nullopt),
            makeTask("d", 4, TaskState::actionRequested), delayedCard("e", "nextWeek", "2026-03-30T09:00:00.000Z")});
        deck.pendingCandidates = {makeCandidate("x"), makeCandidate("y", "https://example.com/item/2")};
        deck.lastSlackScan = makeCompleteScan();
        DeckHeaderPresentation::StoreState state;
        state.hasLoaded = true;
        const TallowinInstant now = *TallowinClock::date(fixedTime);
        DeckHeaderPresentation header = DeckHeaderPresentation::make(deck, state, now);
        QCOMPARE(header.pileCounts, (std::array<int, 4> {1, 1, 1, 1}));
        QCOMPARE(header.actionCount, 1);
        QCOMPARE(header.candidateCount, 2);
        QVERIFY(!header.needsRetry);
        deck.lastSlackScan->allPagesRead = false;
        QVERIFY(!deck.lastSlackScan->isComplete());
        QVERIFY(DeckHeaderPresentation::make(deck, state, now).needsRetry);
    }

    void aDelayedCardsPileComesFromItsTargetOrItsDate()
    {
        ScopedTimeZone zone("Europe/Berlin");
        // Two days after a Friday evening before the spring change: the clocks move in between.
        const TallowinInstant now = *TallowinClock::date("2026-03-27T18:00:00.000Z");
        const auto pile = [&](std::optional<std::string> target, std::optional<std::string> resumeAt) {
            return pileOf(delayedCard("a", std::move(target), std::move(resumeAt)), now);
        };
        QCOMPARE(pile(std::nullopt, std::nullopt), DelayChoice::custom);
        QCOMPARE(pile("tomorrow", "2027-01-01T00:00:00.000Z"), DelayChoice::tomorrow);
        QCOMPARE(pile("custom", "2026-03-28T00:00:00.000Z"), DelayChoice::custom);
        // Local 19:00 two days on is 17:00 UTC after the change to summer time.
        QCOMPARE(pile(std::nullopt, "2026-03-29T17:00:00.000Z"), DelayChoice::tomorrow);
        QCOMPARE(pile(std::nullopt, "2026-03-29T17:00:01.000Z"), DelayChoice::nextWeek);
        QCOMPARE(pile("Friday afternoon", "2026-04-04T17:00:00.000Z"), DelayChoice::nextWeek);
        QCOMPARE(pile(std::nullopt, "2026-04-04T17:00:00.001Z"), DelayChoice::custom);
        QCOMPARE(pile(std::nullopt, "not a time"), DelayChoice::custom);
    }

    void labelsOfChoicesAndFilters()
    {
        QCOMPARE(pileLabel(DelayChoice::custom), std::string_view("Scheduled"));
        QCOMPARE(choiceLabel(DelayChoice::custom), std::string_view("Choose a date…"));
        QCOMPARE(choiceLabel(DelayChoice::nextRun), std::string_view("Next review"));
        QCOMPARE(label(OpenFilter::actionRequested), std::string_view("With ChatGPT"));
        QCOMPARE(label(OpenFilter::delayed), std::string_view("Scheduled"));
        QVERIFY(shows(OpenFilter::all, makeTask("a", 1, TaskState::removed)));
        QVERIFY(!shows(OpenFilter::active, makeTask("a", 1, TaskState::removed)));
        for (DelayChoice choice : allDelayChoices)
            QCOMPARE(delayChoiceFromRawValue(rawValue(choice)), std::optional<DelayChoice>(choice));
    }

    void sheetsAreTheSameWhenCaseAndCardAgree()
    {
        QVERIFY(TallowinPresentation::completion("a") == TallowinPresentation::completion("a"));
        QVERIFY(!(TallowinPresentation::completion("a") == TallowinPresentation::completion("b")));
        QVERIFY(!(TallowinPresentation::completion("a") == TallowinPresentation::delay("a")));
        QVERIFY(TallowinPresentation::inbox() == TallowinPresentation::inbox());
    }

    void theTaskOrderPutsHighlightedCardsFirst()
    {
        StoreHarness harness;
        TallowinDocument deck = makeDocument({makeTask("a", 3), makeTask("b", 1), makeTask("c", 2)});
        deck.tasks[0].highlighted = true;
        deck.tasks[1].highlighted = false;
        auto store = harness.loadedStore(&deck);
        std::vector<std::string> ids;
        for (const TaskItem &task : store->orderedTasks())
            ids.push_back(task.id);
        QCOMPARE(ids, (std::vector<std::string> {"a", "b", "c"}));
    }
};

QTEST_MAIN(TaskStoreExchangeTests)
#include "TaskStoreExchangeTests.moc"
