#pragma once

#include "TallowinCore/document/TallowinDocument.h"

#include <string>

namespace tallowin::test {

// Decks with the texts people actually write, for the window's tests and its screenshots.
struct WindowDecks
{
    // Twelve active cards with real titles, contexts, people, kinds and sources; the first is highlighted, has a
    // long title and three sources; a run is open with three of them decided. Also three cards in the Tomorrow pile,
    // two in Next week, one with ChatGPT and two inbox candidates.
    static TallowinDocument review();
    // Cards, but none to review: delayed and completed only, no run.
    static TallowinDocument allCaughtUp();
    // A run whose every card was decided.
    static TallowinDocument runFinished();
    // One card with a title of three lines and more, a long context and twelve sources.
    static TallowinDocument longCard();

    static TaskItem card(const std::string &id, std::int64_t order, const std::string &person, const std::string &title,
        const std::string &context, TaskKind kind);
};

} // namespace tallowin::test
