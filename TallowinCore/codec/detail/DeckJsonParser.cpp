#include "TallowinCore/codec/detail/DeckJsonParser.h"

#include "TallowinCore/base/HelperThread.h"
#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/detail/JsonReading.h"

#include <atomic>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace tallowin::detail {

using simdjson::dom::element;

namespace {

// One parser per thread, kept between calls: its buffers are sized to the largest deck seen, and
// allocating (and first touching) them anew costs more than the parse itself.
thread_local simdjson::dom::parser threadParser;

// Below this the parser's buffers are faulted in faster than the helper thread is woken.
constexpr std::size_t worthPrefaulting = std::size_t(1) << 20;

// Has the kernel map the first bytes of a buffer as if they had been written, without writing them.
void prefault(const void *start, std::size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto first = (reinterpret_cast<std::uintptr_t>(start) + page - 1) & ~(page - 1);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(start) + bytes;
    // A kernel without populating just leaves the pages to the parse.
    if (end > first)
        ::madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)start;
    (void)bytes;
#endif
}

// Parses json, which may be read past its end. A parser meeting a deck larger than any before allocates its
// buffers anew, and the parse then spends more time faulting in their pages than parsing. The helper thread
// faults in the part a deck fills meanwhile, as measured on deck files: per byte of JSON, 0.32 bytes of
// structure indexes, 0.36 of tape and 0.80 of strings (a little less here, so as never to touch pages the
// parse leaves alone). The buffers are the parser's own, reached through members it keeps public for
// benchmarks; only their pages are populated, never their bytes.
simdjson::error_code parseInPlace(simdjson::dom::parser &parser, std::string_view json, element &root)
{
    if (json.size() < worthPrefaulting || parser.capacity() >= json.size()
        || parser.allocate(json.size()) != simdjson::SUCCESS)
        return parser.parse(json.data(), json.size(), false).get(root);
    simdjson::error_code error = simdjson::UNINITIALIZED;
    std::atomic<bool> parsed = false;
    HelperThread::runBoth(
        [&] {
            error = parser.parse(json.data(), json.size(), false).get(root);
            parsed = true;
        },
        [&] {
            // Run after the parse when the helper was busy: then there is nothing left to win.
            if (parsed)
                return;
            const std::size_t size = json.size();
            prefault(parser.implementation->structural_indexes.get(), size * 30 / 100);
            prefault(parser.doc.tape.get(), size * 34 / 100);
            prefault(parser.doc.string_buf.get(), size * 75 / 100);
        });
    return error;
}

} // namespace

TallowinDocument parseDeckJson(std::string_view json, std::size_t readableBytesAfter,
    const std::function<void()> *releaseInput, bool readsOnce,
    const std::function<TallowinDocument(simdjson::dom::element root)> &build)
{
    simdjson::dom::parser &parser = threadParser;
    element root;
    simdjson::error_code error;
    if (readableBytesAfter >= simdjson::SIMDJSON_PADDING) {
        error = parseInPlace(parser, json, root);
    } else {
        const simdjson::padded_string padded(json);
        error = parser.parse(padded).get(root);
    }
    if (releaseInput != nullptr)
        (*releaseInput)();
    if (error)
        throw JsonReadError::malformed(jsonreading::malformedDetail(simdjson::error_message(error)));
    if (!readsOnce)
        return build(root);
    // The buffers would only raise the peak while the deck read is changed and encoded again.
    TallowinDocument document = build(root);
    releaseDeckParser();
    return document;
}

std::size_t deckParserPadding()
{
    return simdjson::SIMDJSON_PADDING;
}

void releaseDeckParser()
{
    threadParser = simdjson::dom::parser();
}

} // namespace tallowin::detail
