// Searching the 10,000-card deck in the merge sheet and the task browser: building the search index when a deck
// is published, one keystroke's filter over the index, and a keystroke through the whole sheet (filter, model
// reset, list and details refresh) on the offscreen platform. A keystroke should stay well under a 16 ms frame.
#include "Tallowin/presentation/MergeSelection.h"
#include "Tallowin/presentation/TaskSearchIndex.h"
#include "Tallowin/screens/MergeSheet.h"
#include "Tallowin/screens/TaskBrowserSheet.h"
#include "Tallowin/store/TaskStore.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/support/generator/DeckGenerator.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>

#include <memory>

namespace {

using namespace tallowin;

constexpr std::uint64_t deckSeed = 20260314;
constexpr std::size_t deckCards = 10000;

const TallowinDocument &deck()
{
    static const TallowinDocument document = bench::generateDeck(deckCards, deckSeed);
    return document;
}

// Queries as a person types them: a prefix growing a letter at a time, then a second word.
const std::vector<std::string> &typing()
{
    static const std::vector<std::string> queries
        = {"r", "re", "rev", "revi", "review", "review t", "review th", "review the", "review the q"};
    return queries;
}

void buildIndex(benchmark::State &state)
{
    for (auto _ : state) {
        TaskSearchIndex index(deck().tasks);
        benchmark::DoNotOptimize(index.entries().data());
    }
}

// A published deck that changed one card: the previous index lends its folded keys.
void rebuildIndexAfterOneChange(benchmark::State &state)
{
    const TaskSearchIndex previous(deck().tasks);
    std::vector<TaskItem> changed = deck().tasks;
    changed[42].title += " (edited)";
    for (auto _ : state) {
        TaskSearchIndex index(changed, &previous);
        benchmark::DoNotOptimize(index.entries().data());
    }
}

void filterOneKeystroke(benchmark::State &state)
{
    const TaskSearchIndex index(deck().tasks);
    MergeSelection selection(index.entries().front().id);
    std::size_t next = 0;
    for (auto _ : state) {
        const TaskSearchQuery query(typing()[next++ % typing().size()]);
        std::vector<TaskSearchIndex::Row> rows = index.matching(query, [&](const TaskSearchEntry &entry) {
            return MergeSelection::isMergeable(entry.state) && !selection.contains(entry.id);
        });
        benchmark::DoNotOptimize(rows.data());
    }
}

template<typename Sheet>
void keystrokeThroughTheSheet(benchmark::State &state, TallowinPresentation presentation, const QString &searchName)
{
    test::StoreHarness harness;
    auto store = harness.loadedStore(&deck());
    if (presentation.kind == TallowinPresentation::Kind::merge)
        presentation.taskID = store->orderedTasks().front().id;
    Sheet sheet(*store, presentation, nullptr);
    sheet.resize(980, 680);
    sheet.show();
    QLineEdit *search = nullptr;
    for (QLineEdit *field : sheet.template findChildren<QLineEdit *>()) {
        if (field->accessibleName() == searchName)
            search = field;
    }
    if (!search) {
        state.SkipWithError("no search field");
        return;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        search->setText(QString::fromStdString(typing()[next++ % typing().size()]));
        QApplication::processEvents();
    }
}

// Opening the browser on the deck: the index, the first list and the first card's details.
void openTheBrowser(benchmark::State &state)
{
    test::StoreHarness harness;
    auto store = harness.loadedStore(&deck());
    for (auto _ : state) {
        TaskBrowserSheet sheet(*store, TallowinPresentation::allTasks(), nullptr);
        sheet.resize(980, 680);
        sheet.show();
        QApplication::processEvents();
    }
}

void mergeSheetKeystroke(benchmark::State &state)
{
    keystrokeThroughTheSheet<MergeSheet>(state, TallowinPresentation::merge(""), QStringLiteral("Find a task"));
}

void browserKeystroke(benchmark::State &state)
{
    keystrokeThroughTheSheet<TaskBrowserSheet>(
        state, TallowinPresentation::allTasks(), QStringLiteral("Search tasks or people"));
}

} // namespace

BENCHMARK(buildIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(openTheBrowser)->Unit(benchmark::kMillisecond);
BENCHMARK(rebuildIndexAfterOneChange)->Unit(benchmark::kMillisecond);
BENCHMARK(filterOneKeystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(mergeSheetKeystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(browserKeystroke)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
