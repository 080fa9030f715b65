#include "TallowinCore/merge/TallowinSyncMerge.h"

#include "TallowinCore/base/FlatStringSet.h"
#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/document/SourceIdentity.h"
#include "TallowinCore/document/TaskCandidateCard.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace tallowin {

namespace {

FlatStringSet idsOf(const std::vector<TaskCandidate> &candidates)
{
    FlatStringSet ids(candidates.size());
    for (const TaskCandidate &candidate : candidates)
        ids.insert(candidate.id);
    return ids;
}

// The item key, or nothing when the link has no source key: such a candidate is never taken for known.
std::optional<std::string> itemKeyOf(const TaskCandidate &candidate)
{
    try {
        return SourceIdentity::itemKey(candidate.source.url, candidate.title);
    } catch (const TallowinError &) {
        return std::nullopt;
    }
}

std::optional<std::string> sourceKeyOf(const TaskSource &source)
{
    try {
        return SourceIdentity::sourceKey(source.url);
    } catch (const TallowinError &) {
        return std::nullopt;
    }
}

// Appends text lower-cased in ASCII; the caller reuses one buffer for every link.
void appendLowercased(std::string &buffer, std::string_view text)
{
    for (const char c : text)
        buffer += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Parsing every link of a large deck for its source key costs more than the rest of the candidate merge, so
// links are first looked at as plain text. For an ASCII link without percent escapes both key forms can be
// read off the text (the decoded path is the text itself): the message archive form from the first three path
// segments, the other from everything before the query or fragment. Only a link whose text gives a wanted key
// in either form, or one that cannot be read that simply, is parsed; the parse alone decides.
bool mayHaveWantedKey(std::string_view url, const FlatStringSet &wanted, std::string &buffer)
{
    const bool plainText
        = std::all_of(url.begin(), url.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != '%'; });
    if (!plainText)
        return true;
    std::string_view beforeQuery = url.substr(0, url.find_first_of("?#"));
    while (beforeQuery.ends_with('/'))
        beforeQuery.remove_suffix(1);
    buffer.assign("url:");
    appendLowercased(buffer, beforeQuery);
    if (wanted.contains(buffer))
        return true;

    const std::size_t authority = url.find("://");
    if (authority == std::string_view::npos)
        return false;
    const std::size_t pathStart = url.find_first_of("/?#", authority + 3);
    if (pathStart == std::string_view::npos || url[pathStart] != '/')
        return false;
    const std::string_view path = url.substr(pathStart, url.find_first_of("?#", pathStart) - pathStart);
    std::array<std::string_view, 3> pieces;
    std::size_t count = 0;
    for (std::size_t start = 0; start <= path.size() && count < pieces.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            pieces[count++] = path.substr(start, end - start);
        start = end + 1;
    }
    if (count < pieces.size())
        return false;
    buffer.clear();
    appendLowercased(buffer, pieces[0]);
    if (buffer != "archives")
        return false;
    buffer.assign("slack:");
    appendLowercased(buffer, pieces[1]);
    buffer += ':';
    appendLowercased(buffer, pieces[2]);
    return wanted.contains(buffer);
}

// Which of the wanted item keys some card already has among its links. Titles are only folded for cards with
// a link to a wanted source, since folding every title would dominate the merge of a large deck.
std::unordered_set<std::string> keysOfCards(
    const std::vector<TaskItem> &tasks, const std::vector<std::optional<std::string>> &wanted)
{
    FlatStringSet wantedKeys(wanted.size());
    FlatStringSet wantedSources(wanted.size());
    for (const auto &key : wanted) {
        if (!key)
            continue;
        wantedKeys.insert(*key);
        // A normalised title holds no "|", so the source key ends at the last one.
        wantedSources.insert(std::string_view(*key).substr(0, key->rfind('|')));
    }
    std::unordered_set<std::string> found;
    if (wantedKeys.size() == 0)
        return found;
    std::string buffer;
    for (const TaskItem &task : tasks) {
        std::optional<std::string> title;
        for (const TaskSource &source : task.sources) {
            if (!mayHaveWantedKey(source.url, wantedSources, buffer))
                continue;
            std::optional<std::string> key = sourceKeyOf(source);
            if (!key || !wantedSources.contains(*key))
                continue;
            if (!title)
                title = SourceIdentity::normalizedTitle(task.title);
            *key += "|" + *title;
            if (wantedKeys.contains(*key))
                found.insert(std::move(*key));
        }
    }
    return found;
}

// Which candidates have their card in the deck: accepted on some device. The base only tells when it held the
// candidate, and it lags behind the cloud after a save whose answer was lost; the link tells only until the card
// is retitled. Such a candidate could not be accepted again anyway, as its card ID is taken.
std::vector<bool> acceptedAlready(
    const std::vector<const TaskCandidate *> &candidates, const std::vector<TaskItem> &tasks)
{
    std::vector<bool> accepted(candidates.size(), false);
    if (candidates.empty())
        return accepted;
    std::vector<std::string> cardIDs;
    cardIDs.reserve(candidates.size());
    FlatStringSet wanted(candidates.size());
    for (const TaskCandidate *candidate : candidates)
        wanted.insert(cardIDs.emplace_back(TaskCandidateCard::id(candidate->id)));
    FlatStringSet found;
    for (const TaskItem &task : tasks) {
        if (wanted.contains(task.id))
            found.insert(task.id);
    }
    for (std::size_t index = 0; index < candidates.size(); ++index)
        accepted[index] = found.contains(cardIDs[index]);
    return accepted;
}

} // namespace

std::vector<TaskCandidate> TallowinSyncMerge::mergingCandidates(const TallowinDocument *base,
    const TallowinDocument &local, const TallowinDocument &remote, const TallowinDocument &merged)
{
    // A candidate of the base that one side no longer holds was accepted or dismissed there: gone for good.
    FlatStringSet dropped;
    if (base) {
        const FlatStringSet localIDs = idsOf(local.pendingCandidates);
        const FlatStringSet remoteIDs = idsOf(remote.pendingCandidates);
        for (const TaskCandidate &candidate : base->pendingCandidates) {
            if (!localIDs.contains(candidate.id) || !remoteIDs.contains(candidate.id))
                dropped.insert(candidate.id);
        }
    }

    std::vector<const TaskCandidate *> kept;
    kept.reserve(local.pendingCandidates.size() + remote.pendingCandidates.size());
    FlatStringSet seen(kept.capacity());
    for (const auto *side : {&local.pendingCandidates, &remote.pendingCandidates}) {
        for (const TaskCandidate &candidate : *side) {
            if (seen.insert(candidate.id) && !dropped.contains(candidate.id))
                kept.push_back(&candidate);
        }
    }

    // A candidate already dismissed, or already a card's link under the same title, is not suggested again.
    std::vector<std::optional<std::string>> keys;
    keys.reserve(kept.size());
    for (const TaskCandidate *candidate : kept)
        keys.push_back(itemKeyOf(*candidate));
    const std::unordered_set<std::string> ofCards = keysOfCards(merged.tasks, keys);
    const std::vector<std::string> &dismissed = merged.dismissedCandidateKeys;
    const std::vector<bool> accepted = acceptedAlready(kept, merged.tasks);
    std::vector<const TaskCandidate *> remaining;
    remaining.reserve(kept.size());
    for (std::size_t index = 0; index < kept.size(); ++index) {
        const std::optional<std::string> &key = keys[index];
        if (key && (ofCards.contains(*key) || std::binary_search(dismissed.begin(), dismissed.end(), *key)))
            continue;
        if (accepted[index])
            continue;
        remaining.push_back(kept[index]);
    }

    std::sort(remaining.begin(), remaining.end(),
        [](const TaskCandidate *a, const TaskCandidate *b) { return a->id < b->id; });
    std::vector<TaskCandidate> candidates;
    candidates.reserve(remaining.size());
    for (const TaskCandidate *candidate : remaining)
        candidates.push_back(*candidate);
    return candidates;
}

} // namespace tallowin
