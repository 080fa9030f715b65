#include "Tallowin/platform/NotificationRule.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace tallowin {

namespace {

std::string counted(std::size_t count, std::string_view one, std::string_view many)
{
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::size_t newSuggestions(const TallowinDocument &before, const TallowinDocument &after)
{
    std::unordered_set<std::string_view> known;
    for (const TaskCandidate &candidate : before.pendingCandidates)
        known.insert(candidate.id);
    std::size_t count = 0;
    for (const TaskCandidate &candidate : after.pendingCandidates)
        count += known.contains(candidate.id) ? 0 : 1;
    return count;
}

struct CardChanges
{
    std::size_t added = 0;
    std::size_t changed = 0;
};

CardChanges cardChanges(const TallowinDocument &before, const TallowinDocument &after)
{
    std::unordered_map<std::string_view, const TaskItem *> earlier;
    earlier.reserve(before.tasks.size());
    for (const TaskItem &task : before.tasks)
        earlier.emplace(task.id, &task);
    CardChanges changes;
    for (const TaskItem &task : after.tasks) {
        const auto found = earlier.find(task.id);
        if (found == earlier.end())
            ++changes.added;
        else if (!(*found->second == task))
            ++changes.changed;
    }
    return changes;
}

DesktopNotification inboxNotification(std::size_t suggestions)
{
    return {"New suggestions in your inbox",
        counted(suggestions, "suggested task is", "suggested tasks are") + " waiting for review."};
}

} // namespace

std::optional<DesktopNotification> NotificationRule::decide(const Event &event)
{
    if (event.applicationActive || event.arrival == Arrival::ownChange || !event.before || !event.after)
        return std::nullopt;
    const std::size_t suggestions = newSuggestions(*event.before, *event.after);
    if (event.arrival == Arrival::load)
        return suggestions > 0 ? std::optional(inboxNotification(suggestions)) : std::nullopt;

    const CardChanges cards = cardChanges(*event.before, *event.after);
    if (cards.added == 0 && cards.changed == 0)
        return suggestions > 0 ? std::optional(inboxNotification(suggestions)) : std::nullopt;
    std::string body;
    if (cards.added > 0 && cards.changed > 0)
        body = counted(cards.added, "card", "cards") + " added, " + std::to_string(cards.changed) + " changed.";
    else if (cards.added > 0)
        body = counted(cards.added, "card", "cards") + " added.";
    else
        body = counted(cards.changed, "card", "cards") + " changed.";
    if (suggestions > 0)
        body += " " + counted(suggestions, "new suggestion", "new suggestions") + " in your inbox.";
    return DesktopNotification {"Tasks updated from another device", body};
}

} // namespace tallowin
