#pragma once

#include "TallowinCore/document/TallowinDocument.h"
#include "tests/support/DeckBuilders.h"

#include <cstdio>
#include <string>

// What the writer helper program and the tests that drive it agree on.
namespace tallowin::test::writer {

// A deck of cardCount cards at revision 1.
inline TallowinDocument startingDeck(int cardCount)
{
    TallowinDocument deck = makeDocument();
    deck.tasks.reserve(static_cast<std::size_t>(cardCount));
    for (int index = 0; index < cardCount; ++index) {
        char id[32];
        std::snprintf(id, sizeof id, "KB-%04d", index + 1);
        TaskItem card = makeTask(id, index);
        card.context = "Follow up on the thread about item " + std::to_string(index) + " before the weekly review.";
        deck.tasks.push_back(std::move(card));
    }
    return deck;
}

// One writer's change, named by a label unique in the whole run: the first card gets a history event
// with the label as its ID and the label in its title.
inline TallowinDocument withChange(const TallowinDocument &base, std::int64_t revision, const std::string &label)
{
    TallowinDocument next = base;
    next.revision = revision;
    TaskItem &card = next.tasks.front();
    card.title = "Changed by " + label;
    card.history.push_back(makeEvent(label, fixedTime, "pipeline_updated", "Change " + label));
    return next;
}

// One line of the helper's report per change: label, outcome ("landed", "refused", "overlap" or
// "error") and the error's message, separated by tabs.
inline std::string reportLine(const std::string &label, const std::string &outcome, const std::string &message = {})
{
    return label + "\t" + outcome + "\t" + message + "\n";
}

} // namespace tallowin::test::writer
