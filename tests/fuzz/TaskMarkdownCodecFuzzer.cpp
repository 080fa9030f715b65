// Decodes arbitrary bytes as a deck file. Rejections must be exceptions; an accepted deck must encode, and the
// encoded text must decode to an equal document and re-encode to the same bytes. The copying and the in-place
// parse paths must agree on every input.
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

namespace {

using tallowin::TallowinDocument;
using tallowin::TaskMarkdownCodec;

struct Outcome
{
    std::optional<TallowinDocument> document;
    std::string error;
};

template<typename Decode> Outcome attempt(Decode decode)
{
    try {
        return {decode(), {}};
    } catch (const std::exception &error) {
        return {std::nullopt, error.what()};
    }
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "deck codec fuzzer: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const Outcome copied = attempt([&] { return TaskMarkdownCodec::decode(text); });

    // The same bytes with readable padding behind them, as a file read leaves them.
    std::string padded;
    const std::size_t padding = tallowin::TallowinDocumentJson::paddingBytes();
    padded.reserve(size + padding);
    padded.assign(text);
    const Outcome inPlace = attempt([&] { return TaskMarkdownCodec::decode(padded, padded.capacity() - size); });
    if (copied.document != inPlace.document || copied.error != inPlace.error)
        fail("the in-place and copying decodes disagree");
    if (!copied.document)
        return 0;

    // Exceptions from here on escape and count as findings: a decoded deck must always encode and decode again.
    const std::string encoded = TaskMarkdownCodec::encode(*copied.document);
    const TallowinDocument again = TaskMarkdownCodec::decode(encoded);
    if (again != *copied.document)
        fail("decode(encode(document)) differs from the document");
    if (TaskMarkdownCodec::encode(again) != encoded)
        fail("encoding is not stable across a round trip");
    return 0;
}
