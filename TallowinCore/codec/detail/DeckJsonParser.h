#pragma once

#include "TallowinCore/document/TallowinDocument.h"

#include <simdjson.h>

#include <cstddef>
#include <functional>
#include <string_view>

namespace tallowin::detail {

// Every trick the deck's parse plays lives behind this one function: one parser per thread kept between decodes,
// parsing in place when the text may be read past its end, and faulting in a parser's fresh buffers on the helper
// thread while it parses. json may be read readableBytesAfter bytes past its end; releaseInput, when given, runs
// once json is parsed; build makes the document from the parsed root while the parser still holds it. readsOnce:
// for a process that reads one deck, the parser's buffers are freed as soon as build returns.
// Throws JsonReadError::malformed when json does not parse.
TallowinDocument parseDeckJson(std::string_view json, std::size_t readableBytesAfter,
    const std::function<void()> *releaseInput, bool readsOnce,
    const std::function<TallowinDocument(simdjson::dom::element root)> &build);

// Bytes past the end of the text the parser may read.
std::size_t deckParserPadding();

// Frees the buffers this thread's parser keeps between decodes.
void releaseDeckParser();

} // namespace tallowin::detail
