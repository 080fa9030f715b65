// Deck codec throughput on generated decks of 1,000, 10,000 and 50,000 cards, against simdjson's DOM parse of
// the same JSON block as the floor. Decode and encode count the whole file; the DOM parse counts the block.
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "tests/support/generator/DeckGenerator.h"

#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <map>
#include <memory>
#include <stdexcept>

namespace {

using tallowin::TallowinDocument;
using tallowin::TaskMarkdownCodec;

constexpr std::uint64_t deckSeed = 20260314;

struct Deck
{
    // Holds spare capacity past its end, as a string read by TallowinTextFile does.
    std::string text;
    simdjson::padded_string block;
    TallowinDocument document;
};

std::string_view dataBlock(std::string_view text)
{
    const std::size_t begin = text.find(TaskMarkdownCodec::beginMarker);
    const std::size_t end = text.find(TaskMarkdownCodec::endMarker, begin);
    if (begin == std::string_view::npos || end == std::string_view::npos)
        throw std::logic_error("generated deck without markers");
    std::string_view block = text.substr(begin + TaskMarkdownCodec::beginMarker.size());
    block = block.substr(0, end - begin - TaskMarkdownCodec::beginMarker.size());
    while (!block.empty()
        && (block.front() == '\n' || block.front() == '\r' || block.front() == '\t' || block.front() == ' '))
        block.remove_prefix(1);
    while (
        !block.empty() && (block.back() == '\n' || block.back() == '\r' || block.back() == '\t' || block.back() == ' '))
        block.remove_suffix(1);
    return block;
}

// Generated once per size and shared by every benchmark of that size, so all of them read the same bytes.
const Deck &deck(std::size_t cards)
{
    static std::map<std::size_t, std::unique_ptr<Deck>> cache;
    auto &entry = cache[cards];
    if (!entry) {
        const std::string generated = tallowin::bench::generateDeckText(cards, deckSeed);
        entry = std::make_unique<Deck>();
        entry->text.reserve(generated.size() + tallowin::TallowinDocumentJson::paddingBytes());
        entry->text.append(generated);
        entry->block = simdjson::padded_string(dataBlock(entry->text));
        entry->document = TaskMarkdownCodec::decode(entry->text);
    }
    return *entry;
}

// Freeing a large document costs about as much as building its records; it is the caller's cost, not decode's.
void destroyUntimed(benchmark::State &state, TallowinDocument &&document)
{
    state.PauseTiming();
    {
        const TallowinDocument discarded = std::move(document);
    }
    state.ResumeTiming();
}

void addCounters(benchmark::State &state, const Deck &deck, std::size_t bytesPerIteration)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytesPerIteration));
    // bytes_per_second is printed in binary units (M = MiB); this is the same rate in decimal ones (M = MB).
    state.counters["decimal_bytes_per_second"] = benchmark::Counter(static_cast<double>(bytesPerIteration),
        benchmark::Counter::kIsIterationInvariantRate, benchmark::Counter::OneK::kIs1000);
    state.counters["cards"] = static_cast<double>(deck.document.tasks.size());
    state.counters["file_MB"] = static_cast<double>(deck.text.size()) / 1e6;
    state.counters["block_MB"] = static_cast<double>(deck.block.size()) / 1e6;
}

// The floor: simdjson builds its DOM of the block and nothing is extracted. The parser is reused, so its
// buffers are allocated once.
void domParse(benchmark::State &state)
{
    const Deck &input = deck(static_cast<std::size_t>(state.range(0)));
    simdjson::dom::parser parser;
    for (auto _ : state) {
        simdjson::dom::element root;
        if (parser.parse(input.block).get(root))
            state.SkipWithError("simdjson rejected the block");
        benchmark::DoNotOptimize(root);
    }
    addCounters(state, input, input.block.size());
}

// As above with a new parser each time, which is what a single decode pays.
void domParseFreshParser(benchmark::State &state)
{
    const Deck &input = deck(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        simdjson::dom::parser parser;
        simdjson::dom::element root;
        if (parser.parse(input.block).get(root))
            state.SkipWithError("simdjson rejected the block");
        benchmark::DoNotOptimize(root);
    }
    addCounters(state, input, input.block.size());
}

// The path the repository takes: the file's bytes are parsed where they lie.
void decodeInPlace(benchmark::State &state)
{
    const Deck &input = deck(static_cast<std::size_t>(state.range(0)));
    const std::size_t spare = input.text.capacity() - input.text.size();
    for (auto _ : state) {
        TallowinDocument document = TaskMarkdownCodec::decode(input.text, spare);
        benchmark::DoNotOptimize(document);
        destroyUntimed(state, std::move(document));
    }
    addCounters(state, input, input.text.size());
}

// Text without readable bytes past its end: the block is first copied into padded memory.
void decodeCopying(benchmark::State &state)
{
    const Deck &input = deck(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        TallowinDocument document = TaskMarkdownCodec::decode(std::string_view(input.text));
        benchmark::DoNotOptimize(document);
        destroyUntimed(state, std::move(document));
    }
    addCounters(state, input, input.text.size());
}

void encode(benchmark::State &state)
{
    const Deck &input = deck(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string text = TaskMarkdownCodec::encode(input.document);
        benchmark::DoNotOptimize(text);
    }
    if (TaskMarkdownCodec::encode(input.document) != input.text)
        state.SkipWithError("encode does not reproduce the generated text");
    addCounters(state, input, input.text.size());
}

void deckSizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(domParse)->Apply(deckSizes);
BENCHMARK(domParseFreshParser)->Apply(deckSizes);
BENCHMARK(decodeInPlace)->Apply(deckSizes);
BENCHMARK(decodeCopying)->Apply(deckSizes);
BENCHMARK(encode)->Apply(deckSizes);

BENCHMARK_MAIN();
