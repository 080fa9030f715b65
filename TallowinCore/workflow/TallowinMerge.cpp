#include "TallowinCore/workflow/TallowinMerge.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace tallowin {

namespace {

bool isDigit(char character)
{
    return character >= '0' && character <= '9';
}

std::size_t digitRunEnd(std::string_view text, std::size_t position)
{
    while (position < text.size() && isDigit(text[position]))
        ++position;
    return position;
}

// A digit run without its leading zeros (one zero stays for a run of zeros).
std::string_view significantDigits(std::string_view run)
{
    const std::size_t first = run.find_first_not_of('0');
    return first == std::string_view::npos ? run.substr(run.size() - 1) : run.substr(first);
}

// Like strcmp, but runs of digits compare by their value, so "KB-2" comes before "KB-10". Runs of any
// length work: values are compared by their digits, never converted to a number.
int naturalCompare(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::size_t aEnd = digitRunEnd(a, i);
            const std::size_t bEnd = digitRunEnd(b, j);
            const std::string_view aValue = significantDigits(a.substr(i, aEnd - i));
            const std::string_view bValue = significantDigits(b.substr(j, bEnd - j));
            if (aValue.size() != bValue.size())
                return aValue.size() < bValue.size() ? -1 : 1;
            if (const int order = aValue.compare(bValue); order != 0)
                return order;
            i = aEnd;
            j = bEnd;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    const std::size_t aRest = a.size() - i;
    const std::size_t bRest = b.size() - j;
    return aRest == bRest ? 0 : (aRest < bRest ? -1 : 1);
}

// Natural order, with plain text order between IDs of equal value ("KB-02", "KB-2") so the order is total.
bool naturallyBefore(std::string_view a, std::string_view b)
{
    const int order = naturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;
}

// `first` followed by the items of `second`, keeping the first item for each key. Views into the kept items
// stay valid because `united` never reallocates.
template<typename Item, typename KeyOf>
std::vector<Item> unitedByKey(std::vector<Item> &&first, const std::vector<Item> &second, KeyOf keyOf)
{
    // Short lists (the usual history or sources of a card) are searched directly, long ones through a hash set.
    constexpr std::size_t directSearchLimit = 16;
    std::vector<Item> united;
    united.reserve(first.size() + second.size());
    const bool hashed = united.capacity() > directSearchLimit;
    std::unordered_set<std::string_view> seen;
    if (hashed)
        seen.reserve(united.capacity());
    auto add = [&](auto &&item) {
        const std::string_view key = keyOf(item);
        const bool known = hashed ? seen.contains(key)
                                  : std::any_of(united.begin(), united.end(),
                                      [&](const Item &kept) { return std::string_view(keyOf(kept)) == key; });
        if (known)
            return;
        united.push_back(std::forward<decltype(item)>(item));
        if (hashed)
            seen.insert(keyOf(united.back()));
    };
    for (Item &item : first)
        add(std::move(item));
    for (const Item &item : second)
        add(item);
    return united;
}

std::optional<std::vector<std::string>> unitedMergedIDs(
    const std::optional<std::vector<std::string>> &a, const std::optional<std::vector<std::string>> &b)
{
    if (!a && !b)
        return std::nullopt;
    std::vector<std::string> ids;
    ids.reserve((a ? a->size() : 0) + (b ? b->size() : 0));
    if (a)
        ids.insert(ids.end(), a->begin(), a->end());
    if (b)
        ids.insert(ids.end(), b->begin(), b->end());
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

// Folds `other` into the preferred version: the preferred version's fields stay, the collections are united.
void absorb(TaskItem &preferred, const TaskItem &other)
{
    preferred.history = unitedByKey(std::move(preferred.history), other.history,
        [](const TaskHistoryEvent &event) -> const std::string & { return event.id; });
    std::stable_sort(preferred.history.begin(), preferred.history.end(),
        [](const TaskHistoryEvent &a, const TaskHistoryEvent &b) { return a.at < b.at; });
    preferred.sources = unitedByKey(std::move(preferred.sources), other.sources,
        [](const TaskSource &source) -> const std::string & { return source.url; });
    preferred.mergedTaskIDs = unitedMergedIDs(preferred.mergedTaskIDs, other.mergedTaskIDs);
    if (!preferred.captureOrigin)
        preferred.captureOrigin = other.captureOrigin;
    if (other.highlighted == true)
        preferred.highlighted = true;
}

// Combines two versions of one record; the later updatedAt is preferred, the kept one on equal times.
void combine(TaskItem &kept, const TaskItem &incoming)
{
    if (kept.updatedAt >= incoming.updatedAt) {
        absorb(kept, incoming);
        return;
    }
    const TaskItem older = std::move(kept);
    kept = incoming;
    absorb(kept, older);
}

std::vector<TaskItem> mergedCards(const std::vector<TallowinDocument> &documents)
{
    std::size_t total = 0;
    for (const TallowinDocument &document : documents)
        total += document.tasks.size();
    std::vector<TaskItem> cards;
    cards.reserve(total);
    // Keys view the inputs' IDs, which outlive this function; the cards themselves move while sorting.
    std::unordered_map<std::string_view, std::size_t> positions;
    positions.reserve(total);
    for (const TallowinDocument &document : documents) {
        for (const TaskItem &card : document.tasks) {
            const auto [position, isNew] = positions.try_emplace(card.id, cards.size());
            if (isNew)
                cards.push_back(card);
            else
                combine(cards[position->second], card);
        }
    }
    // Cards are large; sorting their positions and moving each card once is cheaper than sorting the cards.
    std::vector<std::size_t> sorted(cards.size());
    for (std::size_t i = 0; i < sorted.size(); ++i)
        sorted[i] = i;
    std::sort(sorted.begin(), sorted.end(), [&cards](std::size_t a, std::size_t b) {
        if (cards[a].order != cards[b].order)
            return cards[a].order < cards[b].order;
        return naturallyBefore(cards[a].id, cards[b].id);
    });
    std::vector<TaskItem> ordered;
    ordered.reserve(cards.size());
    for (const std::size_t position : sorted)
        ordered.push_back(std::move(cards[position]));
    return ordered;
}

std::vector<TaskCandidate> mergedCandidates(const std::vector<TallowinDocument> &documents)
{
    std::size_t total = 0;
    for (const TallowinDocument &document : documents)
        total += document.pendingCandidates.size();
    std::vector<TaskCandidate> candidates;
    candidates.reserve(total);
    std::unordered_map<std::string_view, std::size_t> positions;
    positions.reserve(total);
    for (const TallowinDocument &document : documents) {
        for (const TaskCandidate &candidate : document.pendingCandidates) {
            const auto [position, isNew] = positions.try_emplace(candidate.id, candidates.size());
            if (isNew)
                candidates.push_back(candidate);
            else if (candidate.discoveredAt > candidates[position->second].discoveredAt)
                candidates[position->second] = candidate;
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
        [](const TaskCandidate &a, const TaskCandidate &b) { return a.discoveredAt < b.discoveredAt; });
    return candidates;
}

std::vector<std::string> mergedDismissedKeys(const std::vector<TallowinDocument> &documents)
{
    std::vector<std::string> keys;
    for (const TallowinDocument &document : documents)
        keys.insert(keys.end(), document.dismissedCandidateKeys.begin(), document.dismissedCandidateKeys.end());
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

void mergeScans(const std::vector<TallowinDocument> &documents, TallowinDocument &result)
{
    std::vector<ScanReport> history;
    for (const TallowinDocument &document : documents) {
        if (document.lastSlackScan
            && (!result.lastSlackScan || document.lastSlackScan->finishedAt > result.lastSlackScan->finishedAt))
            result.lastSlackScan = document.lastSlackScan;
        if (document.lastCompleteSlackScanAt
            && (!result.lastCompleteSlackScanAt || *document.lastCompleteSlackScanAt > *result.lastCompleteSlackScanAt))
            result.lastCompleteSlackScanAt = document.lastCompleteSlackScanAt;
        history = unitedByKey(std::move(history), document.scanHistory,
            [](const ScanReport &report) -> const std::string & { return report.finishedAt; });
    }
    std::stable_sort(history.begin(), history.end(),
        [](const ScanReport &a, const ScanReport &b) { return a.finishedAt < b.finishedAt; });
    result.scanHistory = std::move(history);
}

// The newest deck by updatedAt text; the earlier one in the list on equal times.
const TallowinDocument &baseDeck(const std::vector<TallowinDocument> &documents)
{
    const TallowinDocument *base = &documents.front();
    for (const TallowinDocument &document : documents) {
        if (document.updatedAt > base->updatedAt)
            base = &document;
    }
    return *base;
}

} // namespace

TallowinDocument TallowinMerge::documents(const std::vector<TallowinDocument> &documents, TallowinInstant now)
{
    if (documents.empty())
        return emptyDeck(now);

    const TallowinDocument &base = baseDeck(documents);
    TallowinDocument result;
    result.version = TallowinDocument::currentVersion;
    result.revision = std::max_element(documents.begin(), documents.end(), [](const auto &a, const auto &b) {
        return a.revision < b.revision;
    })->revision;
    result.title = base.title;
    result.updatedAt = TallowinClock::now(now);
    result.runID = base.runID;
    result.runTaskIDs = base.runTaskIDs;
    result.runProcessedIDs = base.runProcessedIDs;
    result.tasks = mergedCards(documents);
    result.pendingCandidates = mergedCandidates(documents);
    result.dismissedCandidateKeys = mergedDismissedKeys(documents);
    mergeScans(documents, result);
    result.validate();
    return result;
}

TallowinDocument TallowinMerge::emptyDeck(TallowinInstant now)
{
    TallowinDocument deck;
    deck.version = TallowinDocument::currentVersion;
    deck.revision = 1;
    deck.title = "Tallowin";
    deck.updatedAt = TallowinClock::now(now);
    return deck;
}

} // namespace tallowin
