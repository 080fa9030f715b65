// From an action's call to the new deck being published on the main thread, against the save that follows it,
// on the 10,000-card deck. The store's worker and main thread are driven by hand so that each part is timed
// alone: publishing happens inside the call, the save only when the worker runs.
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "tests/app/support/ManualExecutor.h"
#include "tests/app/support/MemoryUserDefaults.h"
#include "tests/support/generator/DeckGenerator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

using namespace tallowin;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t deckSeed = 20260314;
constexpr std::size_t deckCards = 10000;

class NoPanels : public StorePanels
{
public:
    std::optional<std::filesystem::path> chooseImportFile() override { return std::nullopt; }
    std::optional<std::filesystem::path> chooseDiagnosticsDestination(const std::string &) override
    {
        return std::nullopt;
    }
};

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Between two actions the worker copies the published deck for the next one (the user looks at a card for at least
// that long); an action that comes sooner copies the deck itself, as the in-place and copying forms of the
// workflow benchmark show.
void completeThenSave(benchmark::State &state)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tallowin-store-benchmark";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path deckFile = folder / "Tallowin.md";
    std::ofstream(deckFile, std::ios::binary) << bench::generateDeckText(deckCards, deckSeed);

    auto mainThread = std::make_shared<test::ManualExecutor>();
    auto worker = std::make_shared<test::ManualExecutor>();
    TaskStore::Services services;
    services.mainThread = mainThread;
    services.worker = worker;
    services.userDefaults = std::make_shared<test::MemoryUserDefaults>();
    services.panels = std::make_shared<NoPanels>();
    services.environment = [](const std::string &) { return std::nullopt; };
    services.openLink = [](const std::string &) { return false; };
    TaskStore store(deckFile, false, services);
    const auto settle = [&] {
        while (worker->runAll() + mainThread->runAll() > 0) { }
    };
    store.reload();
    settle();
    if (!store.hasLoaded())
        throw std::runtime_error("the benchmark deck did not load");

    Clock::time_point published;
    QObject::connect(&store, &TaskStore::documentChanged, [&] { published = Clock::now(); });
    double publishTotal = 0;
    double saveTotal = 0;
    for (auto _ : state) {
        const std::optional<TaskItem> current = store.currentTask();
        if (!current)
            throw std::runtime_error("the review queue ran dry");
        const Clock::time_point called = Clock::now();
        store.complete(current->id, "Done");
        const double publish = millisecondsBetween(called, published);
        const Clock::time_point saveStart = Clock::now();
        worker->runNext();
        const double save = millisecondsBetween(saveStart, Clock::now());
        settle();
        if (store.errorMessage())
            throw std::runtime_error(*store.errorMessage());
        publishTotal += publish;
        saveTotal += save;
        state.SetIterationTime(publish / 1000.0);
    }
    state.counters["publish_ms"] = publishTotal / double(state.iterations());
    state.counters["save_ms"] = saveTotal / double(state.iterations());
    state.counters["publish_per_save"] = publishTotal / saveTotal;
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(completeThenSave)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
