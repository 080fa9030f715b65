#pragma once

#include "TallowinCore/document/TallowinDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tallowin::bench {

// A realistic, valid deck of cardCount cards: every state, merges, an open run, an inbox of about one
// candidate per 50 cards, scan history and non-ASCII text throughout. The same seed gives the same deck on
// every platform. About 2.3 kB of deck file per card.
TallowinDocument generateDeck(std::size_t cardCount, std::uint64_t seed);
// TaskMarkdownCodec::encode of generateDeck(cardCount, seed).
std::string generateDeckText(std::size_t cardCount, std::uint64_t seed);

} // namespace tallowin::bench
