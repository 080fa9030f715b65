#include "Tallowin/platform/NotificationRule.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

using Arrival = NotificationRule::Arrival;

TaskCandidate candidate(const std::string &id)
{
    return test::makeCandidate(id, "https://example.com/item/" + id);
}

struct Case
{
    const char *name;
    Arrival arrival;
    bool loadedBefore;
    bool active;
    // What the other side did to the deck shown before.
    std::function<void(TallowinDocument &)> change;
    std::optional<DesktopNotification> expected;
};

TEST(NotificationRule, TellsOfOtherDevicesAndScansOnlyWhileTheWindowIsElsewhere)
{
    const TallowinDocument before = [] {
        TallowinDocument deck = test::makeDocument({test::makeTask("KB-001"), test::makeTask("KB-002")});
        deck.pendingCandidates = {candidate("c-1")};
        return deck;
    }();
    const auto addCard = [](TallowinDocument &deck) { deck.tasks.push_back(test::makeTask("KB-003")); };
    const auto editCard = [](TallowinDocument &deck) { deck.tasks[0].title = "Renamed elsewhere"; };
    const auto addTwoSuggestions = [](TallowinDocument &deck) {
        deck.pendingCandidates.push_back(candidate("c-2"));
        deck.pendingCandidates.push_back(candidate("c-3"));
    };
    const auto onlyRevision = [](TallowinDocument &deck) {
        deck.revision += 3;
        deck.updatedAt = "2026-03-15T00:00:00.000Z";
    };
    const DesktopNotification oneCardAdded {"Tasks updated from another device", "1 card added."};
    const DesktopNotification inbox {"New suggestions in your inbox", "2 suggested tasks are waiting for review."};

    const Case cases[] = {
        {"a sync that brought a card", Arrival::sync, true, false, addCard, oneCardAdded},
        {"the same while the window is active", Arrival::sync, true, true, addCard, std::nullopt},
        {"the user's own change", Arrival::ownChange, true, false, addCard, std::nullopt},
        {"a sync of the user's own change, which brings nothing new", Arrival::sync, true, false, onlyRevision,
            std::nullopt},
        {"a changed card", Arrival::sync, true, false, editCard,
            DesktopNotification {"Tasks updated from another device", "1 card changed."}},
        {"cards and suggestions from another device", Arrival::sync, true, false,
            [&](TallowinDocument &deck) {
                addCard(deck);
                editCard(deck);
                addTwoSuggestions(deck);
            },
            DesktopNotification {
                "Tasks updated from another device", "1 card added, 1 changed. 2 new suggestions in your inbox."}},
        {"only suggestions through sync", Arrival::sync, true, false, addTwoSuggestions, inbox},
        {"a scan's suggestions in the file", Arrival::load, true, false, addTwoSuggestions, inbox},
        {"one suggestion", Arrival::load, true, false,
            [](TallowinDocument &deck) {
                deck.pendingCandidates = {candidate("c-1"), candidate("c-9")};
            },
            DesktopNotification {"New suggestions in your inbox", "1 suggested task is waiting for review."}},
        {"a load whose suggestions were there before, with a card edited by another program", Arrival::load, true,
            false, editCard, std::nullopt},
        {"suggestions triaged elsewhere", Arrival::load, true, false,
            [](TallowinDocument &deck) { deck.pendingCandidates.clear(); }, std::nullopt},
        {"the first load, whatever it holds", Arrival::load, false, false, addTwoSuggestions, std::nullopt},
        {"a scan while the window is active", Arrival::load, true, true, addTwoSuggestions, std::nullopt},
    };
    for (const Case &entry : cases) {
        SCOPED_TRACE(entry.name);
        TallowinDocument after = before;
        entry.change(after);
        EXPECT_EQ(
            NotificationRule::decide({entry.arrival, entry.loadedBefore ? &before : nullptr, &after, entry.active}),
            entry.expected);
    }
}

} // namespace
} // namespace tallowin
