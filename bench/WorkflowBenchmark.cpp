// The review operations on the 10,000-card deck against decode of the same deck in the same run: each must
// copy at most one document and never re-encode or re-parse.
#include "TallowinCore/TallowinClock.h"
#include "TallowinCore/TallowinCommand.h"
#include "TallowinCore/TallowinDeciding.h"
#include "TallowinCore/TallowinReducer.h"
#include "TallowinCore/TallowinReviewQueue.h"
#include "TallowinCore/TaskMarkdownCodec.h"
#include "bench/generator/DeckGenerator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdexcept>

namespace {

using namespace tallowin;

constexpr std::uint64_t deckSeed = 20260314;
constexpr std::size_t deckCards = 10000;

struct Deck
{
    std::string text;
    TallowinDocument document;
    TallowinInstant now;
};

const Deck &deck()
{
    static const Deck shared = [] {
        Deck made;
        const std::string generated = bench::generateDeckText(deckCards, deckSeed);
        made.text.reserve(generated.size() + 64);
        made.text.append(generated);
        made.document = TaskMarkdownCodec::decode(made.text);
        made.now = *TallowinClock::date(made.document.updatedAt) + std::chrono::hours(24);
        return made;
    }();
    return shared;
}

const TaskItem &firstQueued(const TallowinDocument &document)
{
    const std::vector<std::string> queue = TallowinReviewQueue::ids(document);
    if (queue.empty())
        throw std::logic_error("generated deck without a review queue");
    return *std::find_if(
        document.tasks.begin(), document.tasks.end(), [&](const TaskItem &task) { return task.id == queue.front(); });
}

// Freeing a large document is its owner's cost, the same for every operation here.
void destroyUntimed(benchmark::State &state, TallowinDocument &&document)
{
    state.PauseTiming();
    {
        const TallowinDocument discarded = std::move(document);
    }
    state.ResumeTiming();
}

void decode(benchmark::State &state)
{
    const Deck &shared = deck();
    for (auto _ : state)
        destroyUntimed(state, TaskMarkdownCodec::decode(shared.text, shared.text.capacity() - shared.text.size()));
}

void reviewQueue(benchmark::State &state)
{
    const Deck &shared = deck();
    for (auto _ : state) {
        std::vector<TaskItem> queue = TallowinReviewQueue::of(shared.document);
        benchmark::DoNotOptimize(queue.data());
    }
}

void decidingComplete(benchmark::State &state)
{
    const Deck &shared = deck();
    const std::string id = firstQueued(shared.document).id;
    const TaskDecision decision = TaskDecision::complete("Done, see https://example.com/result/1.");
    for (auto _ : state)
        destroyUntimed(state, TallowinDeciding::deciding(shared.document, id, decision, "", shared.now));
}

void decidingTomorrow(benchmark::State &state)
{
    const Deck &shared = deck();
    const std::string id = firstQueued(shared.document).id;
    for (auto _ : state)
        destroyUntimed(
            state, TallowinDeciding::deciding(shared.document, id, TaskDecision::tomorrow(), "", shared.now));
}

void apply(benchmark::State &state, const TallowinCommand &command)
{
    const Deck &shared = deck();
    for (auto _ : state)
        destroyUntimed(state, TallowinReducer::apply(command, shared.document, shared.now));
}

void applyMoveToBack(benchmark::State &state)
{
    apply(state, TallowinCommand::moveToBack(firstQueued(deck().document).id));
}

void applyBeginRun(benchmark::State &state)
{
    apply(state, TallowinCommand::beginRun());
}

void applyActivateDueTasks(benchmark::State &state)
{
    apply(state, TallowinCommand::activateDueTasks(deck().now + std::chrono::hours(24 * 365)));
}

void applyMerge(benchmark::State &state)
{
    const TallowinDocument &document = deck().document;
    std::vector<std::string> active;
    for (const TaskItem &task : document.tasks) {
        if (task.state == TaskState::active && active.size() < 3)
            active.push_back(task.id);
    }
    apply(state, TallowinCommand::mergeTasks(active[0], {active[1], active[2]}, "Shared"));
}

void applyAcceptCandidate(benchmark::State &state)
{
    apply(state, TallowinCommand::acceptCandidate(deck().document.pendingCandidates.front().id));
}

} // namespace

BENCHMARK(decode)->Unit(benchmark::kMillisecond);
BENCHMARK(reviewQueue)->Unit(benchmark::kMillisecond);
BENCHMARK(decidingComplete)->Unit(benchmark::kMillisecond);
BENCHMARK(decidingTomorrow)->Unit(benchmark::kMillisecond);
BENCHMARK(applyMoveToBack)->Unit(benchmark::kMillisecond);
BENCHMARK(applyBeginRun)->Unit(benchmark::kMillisecond);
BENCHMARK(applyActivateDueTasks)->Unit(benchmark::kMillisecond);
BENCHMARK(applyMerge)->Unit(benchmark::kMillisecond);
BENCHMARK(applyAcceptCandidate)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
