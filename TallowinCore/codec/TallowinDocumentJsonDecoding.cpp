#include "TallowinCore/base/HelperThread.h"
#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/detail/DeckJsonParser.h"
#include "TallowinCore/codec/detail/JsonReading.h"
#include "TallowinCore/document/TallowinValidationHints.h"

#include <simdjson.h>

#include <array>
#include <cstdint>
#include <iterator>

namespace tallowin {

namespace {

using namespace jsonreading;
using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

namespace eventKey {
enum : int { at, id, note, type, count };
}
constexpr KeyTable<4> eventKeys({"at", "id", "note", "type"});
static_assert(eventKeys.size() == eventKey::count);

TaskHistoryEvent readEvent(element value)
{
    TaskHistoryEvent event;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = eventKeys.find(field.key, next);
        switch (index) {
        case eventKey::at:
            event.at = readString(field.value, field.key);
            break;
        case eventKey::id:
            event.id = readString(field.value, field.key);
            break;
        case eventKey::note:
            event.note = readString(field.value, field.key);
            break;
        case eventKey::type:
            event.type = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    eventKeys.requireAll(seen, bits(eventKey::at, eventKey::id, eventKey::note, eventKey::type));
    return event;
}

namespace taskKey {
enum : int {
    captureOrigin,
    context,
    createdAt,
    delayTarget,
    followUpPerson,
    highlighted,
    history,
    id,
    instruction,
    kind,
    mergedInto,
    mergedTaskIDs,
    order,
    person,
    result,
    resumeAt,
    sources,
    state,
    title,
    updatedAt,
    count
};
}
constexpr KeyTable<20> taskKeys({"captureOrigin", "context", "createdAt", "delayTarget", "followUpPerson",
    "highlighted", "history", "id", "instruction", "kind", "mergedInto", "mergedTaskIDs", "order", "person", "result",
    "resumeAt", "sources", "state", "title", "updatedAt"});
static_assert(taskKeys.size() == taskKey::count);

TaskItem readTask(element value)
{
    TaskItem task;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = taskKeys.find(field.key, next);
        switch (index) {
        case taskKey::captureOrigin:
            task.captureOrigin = readOptionalString(field.value, field.key);
            break;
        case taskKey::context:
            task.context = readString(field.value, field.key);
            break;
        case taskKey::createdAt:
            task.createdAt = readString(field.value, field.key);
            break;
        case taskKey::delayTarget:
            task.delayTarget = readOptionalString(field.value, field.key);
            break;
        case taskKey::followUpPerson:
            task.followUpPerson = readOptionalString(field.value, field.key);
            break;
        case taskKey::highlighted:
            if (field.value.is_null())
                task.highlighted.reset();
            else
                task.highlighted = readBoolean(field.value, field.key);
            break;
        case taskKey::history:
            task.history = readList<TaskHistoryEvent>(field.value, field.key, readEvent);
            break;
        case taskKey::id:
            task.id = readString(field.value, field.key);
            break;
        case taskKey::instruction:
            task.instruction = readString(field.value, field.key);
            break;
        case taskKey::kind:
            task.kind = readEnum(field.value, field.key, taskKindFromRawValue);
            break;
        case taskKey::mergedInto:
            task.mergedInto = readOptionalString(field.value, field.key);
            break;
        case taskKey::mergedTaskIDs:
            task.mergedTaskIDs = readOptionalStrings(field.value, field.key);
            break;
        case taskKey::order:
            task.order = readInteger(field.value, field.key);
            break;
        case taskKey::person:
            task.person = readString(field.value, field.key);
            break;
        case taskKey::result:
            task.result = readString(field.value, field.key);
            break;
        case taskKey::resumeAt:
            task.resumeAt = readOptionalString(field.value, field.key);
            break;
        case taskKey::sources:
            task.sources = readList<TaskSource>(field.value, field.key, readSource);
            break;
        case taskKey::state:
            task.state = readEnum(field.value, field.key, taskStateFromRawValue);
            break;
        case taskKey::title:
            task.title = readString(field.value, field.key);
            break;
        case taskKey::updatedAt:
            task.updatedAt = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    taskKeys.requireAll(seen,
        bits(taskKey::context, taskKey::createdAt, taskKey::history, taskKey::id, taskKey::instruction, taskKey::kind,
            taskKey::order, taskKey::person, taskKey::result, taskKey::sources, taskKey::state, taskKey::title,
            taskKey::updatedAt));
    return task;
}

namespace candidateKey {
enum : int {
    classificationReason,
    confidence,
    context,
    discoveredAt,
    id,
    kind,
    person,
    source,
    sourceAuthor,
    sourceTimestamp,
    title,
    count
};
}
constexpr KeyTable<11> candidateKeys({"classificationReason", "confidence", "context", "discoveredAt", "id", "kind",
    "person", "source", "sourceAuthor", "sourceTimestamp", "title"});
static_assert(candidateKeys.size() == candidateKey::count);

TaskCandidate readCandidate(element value)
{
    TaskCandidate candidate;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = candidateKeys.find(field.key, next);
        switch (index) {
        case candidateKey::classificationReason:
            candidate.classificationReason = readString(field.value, field.key);
            break;
        case candidateKey::confidence:
            if (field.value.is_null())
                candidate.confidence.reset();
            else
                candidate.confidence = readNumber(field.value, field.key);
            break;
        case candidateKey::context:
            candidate.context = readString(field.value, field.key);
            break;
        case candidateKey::discoveredAt:
            candidate.discoveredAt = readString(field.value, field.key);
            break;
        case candidateKey::id:
            candidate.id = readString(field.value, field.key);
            break;
        case candidateKey::kind:
            candidate.kind = readEnum(field.value, field.key, taskKindFromRawValue);
            break;
        case candidateKey::person:
            candidate.person = readString(field.value, field.key);
            break;
        case candidateKey::source:
            try {
                candidate.source = readSource(field.value);
            } catch (const JsonReadError &error) {
                throw error.nestedIn("source");
            }
            break;
        case candidateKey::sourceAuthor:
            candidate.sourceAuthor = readOptionalString(field.value, field.key);
            break;
        case candidateKey::sourceTimestamp:
            candidate.sourceTimestamp = readOptionalString(field.value, field.key);
            break;
        case candidateKey::title:
            candidate.title = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    candidateKeys.requireAll(seen,
        bits(candidateKey::classificationReason, candidateKey::context, candidateKey::discoveredAt, candidateKey::id,
            candidateKey::kind, candidateKey::person, candidateKey::source, candidateKey::title));
    return candidate;
}

namespace laneKey {
enum : int {
    continuationCursor,
    conversationsInspected,
    exhausted,
    failure,
    lane,
    lowerBoundAt,
    pagesRead,
    pendingThreadURLs,
    threadsRead,
    upperBoundAt,
    count
};
}
constexpr KeyTable<10> laneKeys({"continuationCursor", "conversationsInspected", "exhausted", "failure", "lane",
    "lowerBoundAt", "pagesRead", "pendingThreadURLs", "threadsRead", "upperBoundAt"});
static_assert(laneKeys.size() == laneKey::count);

ScanLaneEvidence readLane(element value)
{
    ScanLaneEvidence lane;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = laneKeys.find(field.key, next);
        switch (index) {
        case laneKey::continuationCursor:
            lane.continuationCursor = readOptionalString(field.value, field.key);
            break;
        case laneKey::conversationsInspected:
            lane.conversationsInspected = readInteger(field.value, field.key);
            break;
        case laneKey::exhausted:
            lane.exhausted = readBoolean(field.value, field.key);
            break;
        case laneKey::failure:
            lane.failure = readOptionalString(field.value, field.key);
            break;
        case laneKey::lane:
            lane.lane = readEnum(field.value, field.key, scanLaneFromRawValue);
            break;
        case laneKey::lowerBoundAt:
            lane.lowerBoundAt = readOptionalString(field.value, field.key);
            break;
        case laneKey::pagesRead:
            lane.pagesRead = readInteger(field.value, field.key);
            break;
        case laneKey::pendingThreadURLs:
            lane.pendingThreadURLs = readOptionalStrings(field.value, field.key);
            break;
        case laneKey::threadsRead:
            lane.threadsRead = readInteger(field.value, field.key);
            break;
        case laneKey::upperBoundAt:
            lane.upperBoundAt = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    laneKeys.requireAll(seen,
        bits(laneKey::conversationsInspected, laneKey::exhausted, laneKey::lane, laneKey::pagesRead,
            laneKey::threadsRead, laneKey::upperBoundAt));
    return lane;
}

namespace reportKey {
enum : int {
    allPagesRead,
    channels,
    directMessages,
    finishedAt,
    lanes,
    lowerBoundAt,
    mentions,
    note,
    resumeOfStartedAt,
    selfMessages,
    startedAt,
    watermarkAt,
    count
};
}
constexpr KeyTable<12> reportKeys({"allPagesRead", "channels", "directMessages", "finishedAt", "lanes", "lowerBoundAt",
    "mentions", "note", "resumeOfStartedAt", "selfMessages", "startedAt", "watermarkAt"});
static_assert(reportKeys.size() == reportKey::count);

ScanReport readReport(element value)
{
    ScanReport report;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = reportKeys.find(field.key, next);
        switch (index) {
        case reportKey::allPagesRead:
            report.allPagesRead = readBoolean(field.value, field.key);
            break;
        case reportKey::channels:
            report.channels = readBoolean(field.value, field.key);
            break;
        case reportKey::directMessages:
            report.directMessages = readBoolean(field.value, field.key);
            break;
        case reportKey::finishedAt:
            report.finishedAt = readString(field.value, field.key);
            break;
        case reportKey::lanes:
            if (field.value.is_null())
                report.lanes.reset();
            else
                report.lanes = readList<ScanLaneEvidence>(field.value, field.key, readLane);
            break;
        case reportKey::lowerBoundAt:
            report.lowerBoundAt = readOptionalString(field.value, field.key);
            break;
        case reportKey::mentions:
            report.mentions = readBoolean(field.value, field.key);
            break;
        case reportKey::note:
            report.note = readString(field.value, field.key);
            break;
        case reportKey::resumeOfStartedAt:
            report.resumeOfStartedAt = readOptionalString(field.value, field.key);
            break;
        case reportKey::selfMessages:
            report.selfMessages = readBoolean(field.value, field.key);
            break;
        case reportKey::startedAt:
            report.startedAt = readString(field.value, field.key);
            break;
        case reportKey::watermarkAt:
            report.watermarkAt = readOptionalString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    reportKeys.requireAll(seen,
        bits(reportKey::allPagesRead, reportKey::channels, reportKey::directMessages, reportKey::finishedAt,
            reportKey::mentions, reportKey::note, reportKey::selfMessages, reportKey::startedAt));
    return report;
}

// Reads the cards from begin to end into tasks, noting each in hints, when given, while it is in cache.
void readTaskRange(array::iterator begin, array::iterator end, std::size_t firstIndex, std::string_view key,
    std::vector<TaskItem> &tasks, TallowinValidationHints *hints)
{
    readItems(
        begin, end, firstIndex, key,
        [hints](element item) {
            TaskItem task = readTask(item);
            if (hints != nullptr)
                hints->add(task);
            return task;
        },
        tasks);
}

// Building the cards is most of a decode, so a large deck's second half is built on the helper thread from the
// same parsed tree, which both only read. Of two failures the first half's is reported: it comes first.
std::vector<TaskItem> readTasks(element value, std::string_view key, TallowinValidationHints *hints)
{
    const array items = readArray(value, key);
    const std::size_t count = items.size();
    std::vector<TaskItem> tasks;
    tasks.reserve(count);
    if (count < TallowinDocument::cardsWorthASecondThread) {
        readTaskRange(items.begin(), items.end(), 0, key, tasks, hints);
        return tasks;
    }
    const std::size_t middle = count / 2;
    array::iterator second = items.begin();
    for (std::size_t index = 0; index < middle; ++index)
        ++second;
    std::vector<TaskItem> secondTasks;
    TallowinValidationHints secondHints;
    HelperThread::runBoth([&] { readTaskRange(items.begin(), second, 0, key, tasks, hints); },
        [&] {
            secondTasks.reserve(count - middle);
            readTaskRange(second, items.end(), middle, key, secondTasks, hints != nullptr ? &secondHints : nullptr);
        });
    tasks.insert(tasks.end(), std::make_move_iterator(secondTasks.begin()), std::make_move_iterator(secondTasks.end()));
    if (hints != nullptr) {
        hints->eventHashes.insert(
            hints->eventHashes.end(), secondHints.eventHashes.begin(), secondHints.eventHashes.end());
        hints->timestampsValid.insert(
            hints->timestampsValid.end(), secondHints.timestampsValid.begin(), secondHints.timestampsValid.end());
    }
    return tasks;
}

namespace documentKey {
enum : int {
    dismissedCandidateKeys,
    lastCompleteSlackScanAt,
    lastSlackScan,
    pendingCandidates,
    revision,
    runID,
    runProcessedIDs,
    runTaskIDs,
    scanHistory,
    tasks,
    title,
    updatedAt,
    version,
    count
};
}
constexpr KeyTable<13> documentKeys(
    {"dismissedCandidateKeys", "lastCompleteSlackScanAt", "lastSlackScan", "pendingCandidates", "revision", "runID",
        "runProcessedIDs", "runTaskIDs", "scanHistory", "tasks", "title", "updatedAt", "version"});
static_assert(documentKeys.size() == documentKey::count);

TallowinDocument readDocument(element root, TallowinValidationHints *hints)
{
    object members;
    if (root.get_object().get(members))
        throw JsonReadError::malformed("the data block is not a JSON object");
    TallowinDocument document;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : members) {
        const int index = documentKeys.find(field.key, next);
        const bool isNull = field.value.is_null();
        switch (index) {
        case documentKey::dismissedCandidateKeys:
            document.dismissedCandidateKeys
                = isNull ? std::vector<std::string> {} : readStrings(field.value, field.key);
            break;
        case documentKey::lastCompleteSlackScanAt:
            document.lastCompleteSlackScanAt = readOptionalString(field.value, field.key);
            break;
        case documentKey::lastSlackScan:
            if (isNull) {
                document.lastSlackScan.reset();
                break;
            }
            try {
                document.lastSlackScan = readReport(field.value);
            } catch (const JsonReadError &error) {
                throw error.nestedIn("lastSlackScan");
            }
            break;
        case documentKey::pendingCandidates:
            document.pendingCandidates = isNull ? std::vector<TaskCandidate> {}
                                                : readList<TaskCandidate>(field.value, field.key, readCandidate);
            break;
        case documentKey::revision:
            document.revision = readInteger(field.value, field.key);
            break;
        case documentKey::runID:
            document.runID = readOptionalString(field.value, field.key);
            break;
        case documentKey::runProcessedIDs:
            document.runProcessedIDs = readOptionalStrings(field.value, field.key);
            break;
        case documentKey::runTaskIDs:
            document.runTaskIDs = readOptionalStrings(field.value, field.key);
            break;
        case documentKey::scanHistory:
            document.scanHistory
                = isNull ? std::vector<ScanReport> {} : readList<ScanReport>(field.value, field.key, readReport);
            break;
        case documentKey::tasks:
            document.tasks = readTasks(field.value, field.key, hints);
            if (hints != nullptr && !hints->describes(document.tasks))
                *hints = {}; // a second "tasks" key: let validation read the cards itself
            break;
        case documentKey::title:
            document.title = readString(field.value, field.key);
            break;
        case documentKey::updatedAt:
            document.updatedAt = readString(field.value, field.key);
            break;
        case documentKey::version:
            document.version = readInteger(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    documentKeys.requireAll(seen,
        bits(documentKey::revision, documentKey::tasks, documentKey::title, documentKey::updatedAt,
            documentKey::version));
    return document;
}

} // namespace

std::size_t TallowinDocumentJson::paddingBytes()
{
    return detail::deckParserPadding();
}

namespace {

// Parses json and builds the document; releaseInput, when given, is called once json is parsed.
TallowinDocument decodeDocument(std::string_view json, std::size_t readableBytesAfter, TallowinValidationHints *hints,
    const std::function<void()> *releaseInput = nullptr, bool readsOnce = false)
{
    return detail::parseDeckJson(json, readableBytesAfter, releaseInput, readsOnce,
        // Strings and the tape live in the parser, not in the input, so the input may already be gone.
        [hints](element root) { return readDocument(root, hints); });
}

} // namespace

TallowinDocument TallowinDocumentJson::decode(std::string_view json, std::size_t readableBytesAfter)
{
    return decodeDocument(json, readableBytesAfter, nullptr);
}

TallowinDocument TallowinDocumentJson::decode(
    std::string_view json, std::size_t readableBytesAfter, TallowinValidationHints &hints)
{
    return decodeDocument(json, readableBytesAfter, &hints);
}

TallowinDocument TallowinDocumentJson::decode(std::string_view json, std::size_t readableBytesAfter,
    TallowinValidationHints &hints, const std::function<void()> &releaseInput, bool readsOnce)
{
    return decodeDocument(json, readableBytesAfter, &hints, &releaseInput, readsOnce);
}

void TallowinDocumentJson::releaseParserMemory()
{
    detail::releaseDeckParser();
}

} // namespace tallowin
