#pragma once

#include "tests/support/generator/DeckRandom.h"

#include <cstddef>
#include <string>

namespace tallowin::bench {

// The human text of generated cards: names, titles and descriptions as people write them in Slack and GitHub,
// with accents, CJK, emoji, curly quotes, escapes and line breaks mixed in so the codec meets all of them.
struct DeckText
{
    static std::string person(DeckRandom &random);
    static std::string title(DeckRandom &random);
    // Whole sentences up to about targetBytes of UTF-8, sometimes split into paragraphs.
    static std::string context(DeckRandom &random, std::size_t targetBytes);
    static std::string instruction(DeckRandom &random);
    static std::string result(DeckRandom &random);
    static std::string classificationReason(DeckRandom &random);
    static std::string channelLabel(DeckRandom &random);
    static std::string repository(DeckRandom &random);
    static std::string scanNote(DeckRandom &random);
};

} // namespace tallowin::bench
