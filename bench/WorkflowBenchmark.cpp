// The review operations on the 10,000-card deck against decode of the same deck in the same run: each must
// copy at most one document and never re-encode or re-parse. Each runs in both forms: on a document the caller
// keeps (one copy), and in place on one the caller gives up (no copy).
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/workflow/TallowinCommand.h"
#include "TallowinCore/workflow/TallowinDeciding.h"
#include "TallowinCore/workflow/TallowinReducer.h"
#include "TallowinCore/workflow/TallowinReviewQueue.h"
#include "tests/support/generator/DeckGenerator.h"

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

// What a caller that gives its document up hands in; making it is that caller's business, not the operation's.
TallowinDocument copyUntimed(benchmark::State &state, const TallowinDocument &document)
{
    state.PauseTiming();
    TallowinDocument copy = document;
    state.ResumeTiming();
    return copy;
}

void decode(benchmark::State &state)
{
    const Deck &shared = deck();
    for (auto _ : state)
        destroyUntimed(state, TaskMarkdownCodec::decode(shared.text, shared.text.capacity() - shared.text.size()));
}

// The one copy an operation on a kept document makes.
void copy(benchmark::State &state)
{
    const Deck &shared = deck();
    for (auto _ : state)
        destroyUntimed(state, TallowinDocument(shared.document));
}

// The check every operation ends with, most of what an operation in place costs.
void validate(benchmark::State &state)
{
    const Deck &shared = deck();
    for (auto _ : state)
        shared.document.validate();
}

void reviewQueue(benchmark::State &state)
{
    const Deck &shared = deck();
    for (auto _ : state) {
        std::vector<TaskItem> queue = TallowinReviewQueue::of(shared.document);
        benchmark::DoNotOptimize(queue.data());
    }
}

void deciding(benchmark::State &state, const TaskDecision &decision, bool inPlace)
{
    const Deck &shared = deck();
    const std::string id = firstQueued(shared.document).id;
    for (auto _ : state) {
        if (inPlace) {
            TallowinDocument input = copyUntimed(state, shared.document);
            destroyUntimed(state, TallowinDeciding::deciding(std::move(input), id, decision, "", shared.now));
        } else {
            destroyUntimed(state, TallowinDeciding::deciding(shared.document, id, decision, "", shared.now));
        }
    }
}

const TaskDecision completion = TaskDecision::complete("Done, see https://example.com/result/1.");

void decidingComplete(benchmark::State &state)
{
    deciding(state, completion, false);
}

void decidingCompleteInPlace(benchmark::State &state)
{
    deciding(state, completion, true);
}

void decidingTomorrow(benchmark::State &state)
{
    deciding(state, TaskDecision::tomorrow(), false);
}

void decidingTomorrowInPlace(benchmark::State &state)
{
    deciding(state, TaskDecision::tomorrow(), true);
}

void apply(benchmark::State &state, const TallowinCommand &command)
{
    const Deck &shared = deck();
    const bool inPlace = state.range(0) != 0;
    for (auto _ : state) {
        if (inPlace) {
            TallowinDocument input = copyUntimed(state, shared.document);
            destroyUntimed(state, TallowinReducer::apply(command, std::move(input), shared.now));
        } else {
            destroyUntimed(state, TallowinReducer::apply(command, shared.document, shared.now));
        }
    }
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
BENCHMARK(copy)->Unit(benchmark::kMillisecond);
BENCHMARK(validate)->Unit(benchmark::kMillisecond);
BENCHMARK(reviewQueue)->Unit(benchmark::kMillisecond);
BENCHMARK(decidingComplete)->Unit(benchmark::kMillisecond);
BENCHMARK(decidingCompleteInPlace)->Unit(benchmark::kMillisecond);
BENCHMARK(decidingTomorrow)->Unit(benchmark::kMillisecond);
BENCHMARK(decidingTomorrowInPlace)->Unit(benchmark::kMillisecond);
// Argument 0: on a kept document; 1: in place.
BENCHMARK(applyMoveToBack)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(applyBeginRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(applyActivateDueTasks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(applyMerge)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(applyAcceptCandidate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
