#include "TallowinCore/merge/TallowinSyncMerge.h"

#include "TallowinCore/base/FlatStringSet.h"
#include "TallowinCore/codec/JsonWriter.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"

#include <simdjson.h>

#include <algorithm>
#include <exception>

namespace tallowin {

namespace {

bool isEmptyDeck(const TallowinDocument &document)
{
    return document.tasks.empty() && document.pendingCandidates.empty();
}

// A failed encoding counts as empty, so the comparison still gives an answer both devices agree on.
std::string checkedUTF8(std::string output)
{
    if (!simdjson::validate_utf8(output.data(), output.size()))
        return {};
    return output;
}

// Whether local is the preferred document: the later updatedAt, then the smaller canonical JSON. Only asked
// when a field that follows the preferred side differs, because the tie-break encodes both whole decks.
bool prefersLocal(const TallowinDocument &local, const TallowinDocument &remote)
{
    if (local.updatedAt != remote.updatedAt)
        return local.updatedAt > remote.updatedAt;
    return TallowinSyncMerge::canonicalJSON(local) <= TallowinSyncMerge::canonicalJSON(remote);
}

bool preferenceMatters(const TallowinDocument &local, const TallowinDocument &remote)
{
    return local.version != remote.version || local.title != remote.title || local.runID != remote.runID
        || local.runTaskIDs != remote.runTaskIDs || local.runProcessedIDs != remote.runProcessedIDs;
}

// The report with the later finishedAt; local's on a tie.
std::optional<ScanReport> laterScan(const std::optional<ScanReport> &local, const std::optional<ScanReport> &remote)
{
    if (!local || (remote && remote->finishedAt > local->finishedAt))
        return remote;
    return local;
}

std::vector<ScanReport> mergedScanHistory(const TallowinDocument &local, const TallowinDocument &remote)
{
    std::vector<ScanReport> history;
    history.reserve(local.scanHistory.size() + remote.scanHistory.size());
    FlatStringSet finished(local.scanHistory.size() + remote.scanHistory.size());
    for (const auto *side : {&local.scanHistory, &remote.scanHistory}) {
        for (const ScanReport &report : *side) {
            if (finished.insert(report.finishedAt))
                history.push_back(report);
        }
    }
    std::stable_sort(history.begin(), history.end(),
        [](const ScanReport &a, const ScanReport &b) { return a.finishedAt < b.finishedAt; });
    return history;
}

std::optional<std::string> laterTimestamp(const std::optional<std::string> &a, const std::optional<std::string> &b)
{
    if (!a || (b && *b > *a))
        return b;
    return a;
}

std::vector<std::string> unitedKeys(const std::vector<std::string> &a, const std::vector<std::string> &b)
{
    std::vector<std::string> keys;
    keys.reserve(a.size() + b.size());
    keys.insert(keys.end(), a.begin(), a.end());
    keys.insert(keys.end(), b.begin(), b.end());
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

} // namespace

bool TallowinSyncMerge::equivalent(const TallowinDocument &a, const TallowinDocument &b)
{
    return a.version == b.version && a.title == b.title && a.updatedAt == b.updatedAt && a.runID == b.runID
        && a.runTaskIDs == b.runTaskIDs && a.runProcessedIDs == b.runProcessedIDs && a.lastSlackScan == b.lastSlackScan
        && a.scanHistory == b.scanHistory && a.lastCompleteSlackScanAt == b.lastCompleteSlackScanAt
        && a.dismissedCandidateKeys == b.dismissedCandidateKeys && a.pendingCandidates == b.pendingCandidates
        && a.tasks == b.tasks;
}

TallowinDocument TallowinSyncMerge::reconcile(
    const std::optional<TallowinDocument> &base, const TallowinDocument &local, const TallowinDocument &remote)
{
    return reconcile(base ? &*base : nullptr, local, remote);
}

TallowinDocument TallowinSyncMerge::reconcile(
    const TallowinDocument *base, const TallowinDocument &local, const TallowinDocument &remote)
{
    local.validate();
    remote.validate();
    if (equivalent(local, remote))
        return local;
    // A fresh device adopts the cloud deck whole, and an empty cloud deck never wipes a full local one.
    if (!base && isEmptyDeck(local))
        return remote;
    if (!base && isEmptyDeck(remote))
        return local;

    // Merging the cards first lets a legacy ID collision stop everything before any other work.
    std::vector<TaskItem> tasks = mergingTasks(base, local, remote);

    const bool localPreferred = !preferenceMatters(local, remote) || prefersLocal(local, remote);
    const TallowinDocument &preferred = localPreferred ? local : remote;
    const TallowinDocument &other = localPreferred ? remote : local;

    TallowinDocument merged;
    merged.version = preferred.version;
    merged.revision = local.revision;
    merged.title = preferred.title;
    merged.updatedAt = std::max(local.updatedAt, remote.updatedAt);
    merged.tasks = std::move(tasks);
    merged.runID = preferred.runID;
    mergeRun(merged, base, preferred, other);
    merged.lastSlackScan = laterScan(local.lastSlackScan, remote.lastSlackScan);
    merged.scanHistory = mergedScanHistory(local, remote);
    merged.lastCompleteSlackScanAt = laterTimestamp(local.lastCompleteSlackScanAt, remote.lastCompleteSlackScanAt);
    merged.dismissedCandidateKeys = unitedKeys(local.dismissedCandidateKeys, remote.dismissedCandidateKeys);
    merged.pendingCandidates = mergingCandidates(base, local, remote, merged);
    merged.validate();
    return merged;
}

std::string TallowinSyncMerge::canonicalJSON(const TaskItem &task)
{
    try {
        return TallowinDocumentJson::encode(task, JsonLayout::compact, JsonSlashes::escaped);
    } catch (const std::exception &) {
        return {};
    }
}

// The envelope is written here rather than encoding a copy with revision 0, which would copy every card.
// Members in ascending key order, as TallowinDocumentJson writes them.
std::string TallowinSyncMerge::canonicalJSON(const TallowinDocument &document)
{
    std::string output;
    output.reserve(TallowinDocumentJson::estimatedSize(document));
    try {
        JsonWriter writer(output, JsonLayout::compact, JsonSlashes::escaped);
        writer.beginObject();
        writer.stringsMember("dismissedCandidateKeys", document.dismissedCandidateKeys);
        if (document.lastCompleteSlackScanAt)
            writer.member("lastCompleteSlackScanAt", *document.lastCompleteSlackScanAt);
        if (document.lastSlackScan) {
            writer.key("lastSlackScan");
            TallowinDocumentJson::write(writer, *document.lastSlackScan);
        }
        writer.key("pendingCandidates");
        writer.beginArray();
        for (const TaskCandidate &candidate : document.pendingCandidates)
            TallowinDocumentJson::write(writer, candidate);
        writer.endArray();
        writer.member("revision", std::int64_t(0));
        if (document.runID)
            writer.member("runID", *document.runID);
        if (document.runProcessedIDs)
            writer.stringsMember("runProcessedIDs", *document.runProcessedIDs);
        if (document.runTaskIDs)
            writer.stringsMember("runTaskIDs", *document.runTaskIDs);
        writer.key("scanHistory");
        writer.beginArray();
        for (const ScanReport &report : document.scanHistory)
            TallowinDocumentJson::write(writer, report);
        writer.endArray();
        writer.key("tasks");
        writer.beginArray();
        for (const TaskItem &task : document.tasks)
            TallowinDocumentJson::write(writer, task);
        writer.endArray();
        writer.member("title", document.title);
        writer.member("updatedAt", document.updatedAt);
        writer.member("version", document.version);
        writer.endObject();
    } catch (const std::exception &) {
        return {};
    }
    return checkedUTF8(std::move(output));
}

} // namespace tallowin
