#include "TallowinCore/merge/TallowinSyncMerge.h"

#include "TallowinCore/merge/TallowinSyncError.h"

#include <openssl/evp.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace tallowin {

namespace {

constexpr std::string_view conflictType = "sync_conflict";

using IndexByID = std::unordered_map<std::string_view, std::size_t>;

IndexByID indexByID(const std::vector<TaskItem> &tasks)
{
    IndexByID index;
    index.reserve(tasks.size());
    for (std::size_t position = 0; position < tasks.size(); ++position)
        index.emplace(tasks[position].id, position);
    return index;
}

// Later updatedAt wins; on a tie the smaller canonical JSON, so that both devices pick the same card.
bool prefersLocal(const TaskItem &local, const TaskItem &remote)
{
    if (local.updatedAt != remote.updatedAt)
        return local.updatedAt > remote.updatedAt;
    return TallowinSyncMerge::canonicalJSON(local) <= TallowinSyncMerge::canonicalJSON(remote);
}

std::string plain(const std::string &value)
{
    return value;
}

std::string plain(TaskKind kind)
{
    return std::string(caseName(kind));
}

// The debug form of an optional: Optional("text"), Optional(true) or nil.
std::string plain(const std::optional<std::string> &value)
{
    return value ? "Optional(\"" + *value + "\")" : "nil";
}

std::string plain(const std::optional<bool> &value)
{
    return value ? (*value ? "Optional(true)" : "Optional(false)") : "nil";
}

struct Sides
{
    const TaskItem *base;
    const TaskItem &local;
    const TaskItem &remote;
    const TaskItem &preferred;
    const TaskItem &other;
};

// The value only one side changed since the base; when both changed it (or there is no base), the preferred
// side's value stays and the other one goes into the note. result starts as a copy of the preferred card.
template<typename Value>
void mergeField(TaskItem &result, const Sides &sides, Value TaskItem::*field, std::string_view label,
    std::vector<std::string> &notes)
{
    const Value &local = sides.local.*field;
    const Value &remote = sides.remote.*field;
    if (local == remote)
        return;
    if (sides.base && local == sides.base->*field) {
        result.*field = remote;
        return;
    }
    if (sides.base && remote == sides.base->*field) {
        result.*field = local;
        return;
    }
    notes.push_back(std::string(label) + plain(sides.preferred.*field) + "; other edit: " + plain(sides.other.*field));
}

std::vector<TaskHistoryEvent> mergedHistory(const TaskItem &local, const TaskItem &remote)
{
    std::vector<TaskHistoryEvent> history;
    history.reserve(local.history.size() + remote.history.size() + 1);
    std::unordered_set<std::string_view> ids;
    for (const auto *side : {&local.history, &remote.history}) {
        for (const TaskHistoryEvent &event : *side) {
            if (ids.insert(event.id).second)
                history.push_back(event);
        }
    }
    std::sort(history.begin(), history.end(),
        [](const TaskHistoryEvent &a, const TaskHistoryEvent &b) { return a.at != b.at ? a.at < b.at : a.id < b.id; });
    return history;
}

std::vector<TaskSource> mergedSources(const TaskItem &preferred, const TaskItem &other)
{
    std::vector<TaskSource> sources;
    sources.reserve(preferred.sources.size() + other.sources.size());
    std::unordered_set<std::string_view> urls;
    for (const auto *side : {&preferred.sources, &other.sources}) {
        for (const TaskSource &source : *side) {
            if (urls.insert(source.url).second)
                sources.push_back(source);
        }
    }
    std::sort(sources.begin(), sources.end(), [](const TaskSource &a, const TaskSource &b) { return a.url < b.url; });
    return sources;
}

std::string sha256Hex(const std::string &bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available.");
    static constexpr char hexDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int index = 0; index < length; ++index) {
        hex += hexDigits[digest[index] >> 4];
        hex += hexDigits[digest[index] & 0xF];
    }
    return hex;
}

// A combining mark belongs to the character before it, as a user would count characters.
bool continuesCharacter(UChar32 c)
{
    const auto kind = u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK);
    return kind == U_GCB_EXTEND || kind == U_GCB_ZWJ || kind == U_GCB_SPACING_MARK;
}

} // namespace

bool TallowinSyncMerge::isLegacyID(std::string_view id)
{
    constexpr std::string_view prefix = "ts-";
    if (!id.starts_with(prefix) || id.size() == prefix.size())
        return false;
    const auto *bytes = reinterpret_cast<const uint8_t *>(id.data());
    const auto length = static_cast<int32_t>(id.size());
    for (int32_t index = static_cast<int32_t>(prefix.size()); index < length;) {
        const bool first = index == static_cast<int32_t>(prefix.size());
        UChar32 c;
        U8_NEXT(bytes, index, length, c);
        if (c < 0)
            return false;
        if (!first && continuesCharacter(c))
            continue;
        if (u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) == U_NT_NONE)
            return false;
    }
    return true;
}

std::vector<TaskItem> TallowinSyncMerge::mergingTasks(
    const TallowinDocument *base, const TallowinDocument &local, const TallowinDocument &remote)
{
    const IndexByID localIndex = indexByID(local.tasks);
    // The remote version of each local card, and the cards only the remote side has.
    std::vector<const TaskItem *> remoteOf(local.tasks.size(), nullptr);
    std::vector<const TaskItem *> remoteOnly;
    for (const TaskItem &task : remote.tasks) {
        const auto found = localIndex.find(task.id);
        if (found == localIndex.end()) {
            remoteOnly.push_back(&task);
            continue;
        }
        const TaskItem &localTask = local.tasks[found->second];
        if (localTask.createdAt != task.createdAt && isLegacyID(task.id))
            throw TallowinSyncError::unavailable("Task ID " + task.id
                + " belongs to different records on these devices. Both task lists are unchanged. Resolve the "
                  "legacy ID conflict before syncing.");
        remoteOf[found->second] = &task;
    }

    // Only the cards changed on both sides are built anew; the rest are copied once, already in merged order.
    IndexByID baseIndex;
    if (base)
        baseIndex = indexByID(base->tasks);
    struct Entry
    {
        const TaskItem *task;
        std::size_t rebuilt; // index into rebuilt, or none
    };
    constexpr std::size_t none = std::size_t(-1);
    std::vector<TaskItem> rebuilt;
    std::vector<Entry> order;
    order.reserve(local.tasks.size() + remoteOnly.size());
    for (std::size_t position = 0; position < local.tasks.size(); ++position) {
        const TaskItem &localTask = local.tasks[position];
        const TaskItem *remoteTask = remoteOf[position];
        if (!remoteTask || *remoteTask == localTask) {
            order.push_back({&localTask, none});
            continue;
        }
        const auto inBase = baseIndex.find(localTask.id);
        const TaskItem *baseTask = inBase == baseIndex.end() ? nullptr : &base->tasks[inBase->second];
        rebuilt.push_back(mergingTask(baseTask, localTask, *remoteTask));
        order.push_back({nullptr, rebuilt.size() - 1});
    }
    // rebuilt no longer grows, so pointers into it stay valid.
    for (Entry &entry : order) {
        if (entry.rebuilt != none)
            entry.task = &rebuilt[entry.rebuilt];
    }
    for (const TaskItem *task : remoteOnly)
        order.push_back({task, none});

    std::sort(order.begin(), order.end(), [](const Entry &a, const Entry &b) {
        return a.task->order != b.task->order ? a.task->order < b.task->order : a.task->id < b.task->id;
    });
    std::vector<TaskItem> tasks;
    tasks.reserve(order.size());
    for (const Entry &entry : order) {
        if (entry.rebuilt != none)
            tasks.push_back(std::move(rebuilt[entry.rebuilt]));
        else
            tasks.push_back(*entry.task);
    }
    return tasks;
}

TaskItem TallowinSyncMerge::mergingTask(const TaskItem *base, const TaskItem &local, const TaskItem &remote)
{
    if (local == remote)
        return local;
    const bool localPreferred = prefersLocal(local, remote);
    const Sides sides {base, local, remote, localPreferred ? local : remote, localPreferred ? remote : local};
    TaskItem result = sides.preferred;
    std::vector<std::string> notes;
    mergeField(result, sides, &TaskItem::person, "Person: kept ", notes);
    mergeField(result, sides, &TaskItem::title, "Title: kept ", notes);
    mergeField(result, sides, &TaskItem::context, "Context: kept ", notes);
    mergeField(result, sides, &TaskItem::kind, "Kind: kept ", notes);
    mergeField(result, sides, &TaskItem::instruction, "Instruction: kept ", notes);
    mergeField(result, sides, &TaskItem::followUpPerson, "Follow-up person: kept ", notes);
    mergeField(result, sides, &TaskItem::highlighted, "Highlighted: kept ", notes);
    mergeWorkflow(result, base, local, remote, sides.preferred, sides.other, notes);
    result.history = mergedHistory(local, remote);
    result.sources = mergedSources(sides.preferred, sides.other);
    result.updatedAt = std::max(local.updatedAt, remote.updatedAt);
    recordConflict(result, notes);
    return result;
}

// The event's ID depends only on the card, the time and the text, so a device that merges the same conflict
// later makes the same event, which the history merge then keeps once.
void TallowinSyncMerge::recordConflict(TaskItem &result, const std::vector<std::string> &notes)
{
    if (notes.empty())
        return;
    std::string note = notes.front();
    for (std::size_t index = 1; index < notes.size(); ++index)
        note += "\n" + notes[index];
    const bool recorded = std::any_of(result.history.begin(), result.history.end(),
        [&](const TaskHistoryEvent &event) { return event.type == conflictType && event.note == note; });
    if (recorded)
        return;
    std::string id = "sync-" + sha256Hex(result.id + result.updatedAt + note);
    result.history.push_back({std::move(id), result.updatedAt, std::string(conflictType), std::move(note)});
}

} // namespace tallowin
