// The three-way reconcile of two 10,000-card decks that each changed 1% of the cards since their base, against
// decode of one such deck in the same run: reconcile must take at most twice as long as that decode.
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "tests/support/generator/DeckGenerator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>

namespace {

using namespace tallowin;

constexpr std::uint64_t deckSeed = 20260314;
constexpr std::size_t deckCards = 10000;

struct Decks
{
    std::string text;
    TallowinDocument base;
    TallowinDocument local;
    TallowinDocument remote;
};

std::string later(const std::string &timestamp, std::chrono::minutes by)
{
    const auto instant = TallowinClock::date(timestamp);
    if (!instant)
        throw std::logic_error("generated deck with an invalid timestamp");
    return TallowinClock::now(*instant + by);
}

// Every 100th card is edited on each side: on even hundreds both sides edit the same card (half of them the same
// field, so a conflict note is written), on odd hundreds each side edits a card of its own.
void edit(TallowinDocument &deck, bool isLocal)
{
    const std::string stamp = later(deck.updatedAt, std::chrono::minutes(isLocal ? 30 : 45));
    for (std::size_t index = 0; index < deck.tasks.size(); index += 100) {
        const bool shared = (index / 100) % 2 == 0;
        TaskItem &task = deck.tasks[shared ? index : index + (isLocal ? 1 : 2)];
        if (shared && (index / 100) % 4 == 0)
            task.title += isLocal ? " (local)" : " (remote)";
        else if (isLocal)
            task.title += " (edited)";
        else
            task.context += " More context.";
        task.updatedAt = stamp;
    }
    deck.updatedAt = stamp;
    deck.revision += isLocal ? 3 : 5;
}

const Decks &decks()
{
    static const Decks shared = [] {
        Decks made;
        const std::string generated = bench::generateDeckText(deckCards, deckSeed);
        made.text.reserve(generated.size() + 64);
        made.text.append(generated);
        made.base = TaskMarkdownCodec::decode(made.text);
        made.local = made.base;
        edit(made.local, true);
        made.remote = made.base;
        edit(made.remote, false);
        return made;
    }();
    return shared;
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
    const Decks &shared = decks();
    for (auto _ : state)
        destroyUntimed(state, TaskMarkdownCodec::decode(shared.text, shared.text.capacity() - shared.text.size()));
}

void reconcile(benchmark::State &state)
{
    const Decks &shared = decks();
    for (auto _ : state)
        destroyUntimed(state, TallowinSyncMerge::reconcile(&shared.base, shared.local, shared.remote));
}

// The deck the sync engine hands to the repository carries the later updatedAt of the two sides, so applying it
// to an unchanged local file compares two decks with equal updatedAt: the whole-deck tie-break path.
void reconcileEqualUpdatedAt(benchmark::State &state)
{
    const Decks &shared = decks();
    TallowinDocument remote = shared.remote;
    remote.updatedAt = shared.local.updatedAt;
    remote.title += " (renamed)";
    for (auto _ : state)
        destroyUntimed(state, TallowinSyncMerge::reconcile(&shared.base, shared.local, remote));
}

// A first sync without a common ancestor: every card changed on either side is merged as a conflict.
void reconcileWithoutBase(benchmark::State &state)
{
    const Decks &shared = decks();
    for (auto _ : state)
        destroyUntimed(state, TallowinSyncMerge::reconcile(nullptr, shared.local, shared.remote));
}

} // namespace

BENCHMARK(decode)->Unit(benchmark::kMillisecond);
BENCHMARK(reconcile)->Unit(benchmark::kMillisecond);
BENCHMARK(reconcileEqualUpdatedAt)->Unit(benchmark::kMillisecond);
BENCHMARK(reconcileWithoutBase)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
