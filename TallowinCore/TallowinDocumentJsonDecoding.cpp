#include "TallowinCore/JsonReadError.h"
#include "TallowinCore/TallowinDocumentJson.h"
#include "TallowinCore/TallowinValidationHints.h"

#include <simdjson.h>

#include <array>
#include <cstdint>

namespace tallowin {

namespace {

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

// Finds a key among a record's keys. Files we write list keys in sorted order, so the table is sorted too
// and the search starts just after the previous hit: one comparison per member in the common case.
template<std::size_t N> class KeyTable
{
public:
    explicit constexpr KeyTable(std::array<std::string_view, N> keys)
        : m_keys(keys)
    { }

    int find(std::string_view key, std::size_t &next) const
    {
        for (std::size_t step = 0; step < N; ++step) {
            const std::size_t index = (next + step) % N;
            if (sameKey(m_keys[index], key)) {
                next = index + 1;
                return static_cast<int>(index);
            }
        }
        return -1;
    }

    // Throws for the first required key (in table order) that was not seen.
    void requireAll(std::uint32_t seen, std::uint32_t required) const
    {
        const std::uint32_t missing = required & ~seen;
        if (missing == 0)
            return;
        for (std::size_t index = 0; index < N; ++index) {
            if (missing & (1u << index))
                throw JsonReadError::missingKey(std::string(m_keys[index]));
        }
    }

private:
    // Keys are short; comparing inline beats a library call per member.
    static bool sameKey(std::string_view known, std::string_view key)
    {
        if (known.size() != key.size())
            return false;
        for (std::size_t i = 0; i < key.size(); ++i) {
            if (known[i] != key[i])
                return false;
        }
        return true;
    }

    std::array<std::string_view, N> m_keys;
};

template<typename... Bits> constexpr std::uint32_t bits(Bits... indices)
{
    return ((1u << indices) | ...);
}

[[noreturn]] void wrongType(std::string_view key, const char *expected)
{
    throw JsonReadError::wrongType(std::string(key), expected);
}

std::string readString(element value, std::string_view key)
{
    std::string_view text;
    if (value.get_string().get(text))
        wrongType(key, "a string");
    return std::string(text);
}

std::optional<std::string> readOptionalString(element value, std::string_view key)
{
    if (value.is_null())
        return std::nullopt;
    return readString(value, key);
}

std::int64_t readInteger(element value, std::string_view key)
{
    std::int64_t number = 0;
    if (value.get_int64().get(number))
        wrongType(key, "an integer within the signed 64-bit range");
    return number;
}

double readNumber(element value, std::string_view key)
{
    double number = 0;
    if (value.get_double().get(number))
        wrongType(key, "a number");
    return number;
}

bool readBoolean(element value, std::string_view key)
{
    bool flag = false;
    if (value.get_bool().get(flag))
        wrongType(key, "true or false");
    return flag;
}

object readObject(element value, std::string_view key)
{
    object result;
    if (value.get_object().get(result))
        wrongType(key, "an object");
    return result;
}

array readArray(element value, std::string_view key)
{
    array result;
    if (value.get_array().get(result))
        wrongType(key, "an array");
    return result;
}

// Runs read on each element; errors inside name the element's index.
template<typename T, typename Read> std::vector<T> readList(element value, std::string_view key, Read read)
{
    const array items = readArray(value, key);
    std::vector<T> result;
    result.reserve(items.size());
    std::size_t index = 0;
    for (element item : items) {
        try {
            result.push_back(read(item));
        } catch (const JsonReadError &error) {
            throw error.nestedIn(std::string(key) + "[" + std::to_string(index) + "]");
        }
        ++index;
    }
    return result;
}

std::vector<std::string> readStrings(element value, std::string_view key)
{
    return readList<std::string>(value, key, [](element item) { return readString(item, ""); });
}

std::optional<std::vector<std::string>> readOptionalStrings(element value, std::string_view key)
{
    if (value.is_null())
        return std::nullopt;
    return readStrings(value, key);
}

template<typename Enum>
Enum readEnum(element value, std::string_view key, std::optional<Enum> (*fromRaw)(std::string_view))
{
    std::string_view text;
    if (value.get_string().get(text))
        wrongType(key, "a string");
    const std::optional<Enum> result = fromRaw(text);
    if (!result)
        throw JsonReadError::unknownValue(std::string(key), std::string(text));
    return *result;
}

constexpr KeyTable<5> sourceKeys({"label", "resolvedAt", "resolvedItemKey", "sourceKey", "url"});

TaskSource readSource(element value)
{
    TaskSource source;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = sourceKeys.find(field.key, next);
        switch (index) {
        case 0:
            source.label = readString(field.value, field.key);
            break;
        case 1:
            source.resolvedAt = readOptionalString(field.value, field.key);
            break;
        case 2:
            source.resolvedItemKey = readOptionalString(field.value, field.key);
            break;
        case 3:
            source.sourceKey = readOptionalString(field.value, field.key);
            break;
        case 4:
            source.url = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    sourceKeys.requireAll(seen, bits(0, 4));
    return source;
}

constexpr KeyTable<4> eventKeys({"at", "id", "note", "type"});

TaskHistoryEvent readEvent(element value)
{
    TaskHistoryEvent event;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = eventKeys.find(field.key, next);
        switch (index) {
        case 0:
            event.at = readString(field.value, field.key);
            break;
        case 1:
            event.id = readString(field.value, field.key);
            break;
        case 2:
            event.note = readString(field.value, field.key);
            break;
        case 3:
            event.type = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    eventKeys.requireAll(seen, bits(0, 1, 2, 3));
    return event;
}

constexpr KeyTable<20> taskKeys({"captureOrigin", "context", "createdAt", "delayTarget", "followUpPerson",
    "highlighted", "history", "id", "instruction", "kind", "mergedInto", "mergedTaskIDs", "order", "person", "result",
    "resumeAt", "sources", "state", "title", "updatedAt"});

TaskItem readTask(element value)
{
    TaskItem task;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = taskKeys.find(field.key, next);
        switch (index) {
        case 0:
            task.captureOrigin = readOptionalString(field.value, field.key);
            break;
        case 1:
            task.context = readString(field.value, field.key);
            break;
        case 2:
            task.createdAt = readString(field.value, field.key);
            break;
        case 3:
            task.delayTarget = readOptionalString(field.value, field.key);
            break;
        case 4:
            task.followUpPerson = readOptionalString(field.value, field.key);
            break;
        case 5:
            if (field.value.is_null())
                task.highlighted.reset();
            else
                task.highlighted = readBoolean(field.value, field.key);
            break;
        case 6:
            task.history = readList<TaskHistoryEvent>(field.value, field.key, readEvent);
            break;
        case 7:
            task.id = readString(field.value, field.key);
            break;
        case 8:
            task.instruction = readString(field.value, field.key);
            break;
        case 9:
            task.kind = readEnum(field.value, field.key, taskKindFromRawValue);
            break;
        case 10:
            task.mergedInto = readOptionalString(field.value, field.key);
            break;
        case 11:
            task.mergedTaskIDs = readOptionalStrings(field.value, field.key);
            break;
        case 12:
            task.order = readInteger(field.value, field.key);
            break;
        case 13:
            task.person = readString(field.value, field.key);
            break;
        case 14:
            task.result = readString(field.value, field.key);
            break;
        case 15:
            task.resumeAt = readOptionalString(field.value, field.key);
            break;
        case 16:
            task.sources = readList<TaskSource>(field.value, field.key, readSource);
            break;
        case 17:
            task.state = readEnum(field.value, field.key, taskStateFromRawValue);
            break;
        case 18:
            task.title = readString(field.value, field.key);
            break;
        case 19:
            task.updatedAt = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    taskKeys.requireAll(seen, bits(1, 2, 6, 7, 8, 9, 12, 13, 14, 16, 17, 18, 19));
    return task;
}

constexpr KeyTable<11> candidateKeys({"classificationReason", "confidence", "context", "discoveredAt", "id", "kind",
    "person", "source", "sourceAuthor", "sourceTimestamp", "title"});

TaskCandidate readCandidate(element value)
{
    TaskCandidate candidate;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = candidateKeys.find(field.key, next);
        switch (index) {
        case 0:
            candidate.classificationReason = readString(field.value, field.key);
            break;
        case 1:
            if (field.value.is_null())
                candidate.confidence.reset();
            else
                candidate.confidence = readNumber(field.value, field.key);
            break;
        case 2:
            candidate.context = readString(field.value, field.key);
            break;
        case 3:
            candidate.discoveredAt = readString(field.value, field.key);
            break;
        case 4:
            candidate.id = readString(field.value, field.key);
            break;
        case 5:
            candidate.kind = readEnum(field.value, field.key, taskKindFromRawValue);
            break;
        case 6:
            candidate.person = readString(field.value, field.key);
            break;
        case 7:
            try {
                candidate.source = readSource(field.value);
            } catch (const JsonReadError &error) {
                throw error.nestedIn("source");
            }
            break;
        case 8:
            candidate.sourceAuthor = readOptionalString(field.value, field.key);
            break;
        case 9:
            candidate.sourceTimestamp = readOptionalString(field.value, field.key);
            break;
        case 10:
            candidate.title = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    candidateKeys.requireAll(seen, bits(0, 2, 3, 4, 5, 6, 7, 10));
    return candidate;
}

constexpr KeyTable<10> laneKeys({"continuationCursor", "conversationsInspected", "exhausted", "failure", "lane",
    "lowerBoundAt", "pagesRead", "pendingThreadURLs", "threadsRead", "upperBoundAt"});

ScanLaneEvidence readLane(element value)
{
    ScanLaneEvidence lane;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = laneKeys.find(field.key, next);
        switch (index) {
        case 0:
            lane.continuationCursor = readOptionalString(field.value, field.key);
            break;
        case 1:
            lane.conversationsInspected = readInteger(field.value, field.key);
            break;
        case 2:
            lane.exhausted = readBoolean(field.value, field.key);
            break;
        case 3:
            lane.failure = readOptionalString(field.value, field.key);
            break;
        case 4:
            lane.lane = readEnum(field.value, field.key, scanLaneFromRawValue);
            break;
        case 5:
            lane.lowerBoundAt = readOptionalString(field.value, field.key);
            break;
        case 6:
            lane.pagesRead = readInteger(field.value, field.key);
            break;
        case 7:
            lane.pendingThreadURLs = readOptionalStrings(field.value, field.key);
            break;
        case 8:
            lane.threadsRead = readInteger(field.value, field.key);
            break;
        case 9:
            lane.upperBoundAt = readString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    laneKeys.requireAll(seen, bits(1, 2, 4, 6, 8, 9));
    return lane;
}

constexpr KeyTable<12> reportKeys({"allPagesRead", "channels", "directMessages", "finishedAt", "lanes", "lowerBoundAt",
    "mentions", "note", "resumeOfStartedAt", "selfMessages", "startedAt", "watermarkAt"});

ScanReport readReport(element value)
{
    ScanReport report;
    std::uint32_t seen = 0;
    std::size_t next = 0;
    for (const auto field : readObject(value, "")) {
        const int index = reportKeys.find(field.key, next);
        switch (index) {
        case 0:
            report.allPagesRead = readBoolean(field.value, field.key);
            break;
        case 1:
            report.channels = readBoolean(field.value, field.key);
            break;
        case 2:
            report.directMessages = readBoolean(field.value, field.key);
            break;
        case 3:
            report.finishedAt = readString(field.value, field.key);
            break;
        case 4:
            if (field.value.is_null())
                report.lanes.reset();
            else
                report.lanes = readList<ScanLaneEvidence>(field.value, field.key, readLane);
            break;
        case 5:
            report.lowerBoundAt = readOptionalString(field.value, field.key);
            break;
        case 6:
            report.mentions = readBoolean(field.value, field.key);
            break;
        case 7:
            report.note = readString(field.value, field.key);
            break;
        case 8:
            report.resumeOfStartedAt = readOptionalString(field.value, field.key);
            break;
        case 9:
            report.selfMessages = readBoolean(field.value, field.key);
            break;
        case 10:
            report.startedAt = readString(field.value, field.key);
            break;
        case 11:
            report.watermarkAt = readOptionalString(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    reportKeys.requireAll(seen, bits(0, 1, 2, 3, 6, 7, 9, 10));
    return report;
}

constexpr KeyTable<13> documentKeys(
    {"dismissedCandidateKeys", "lastCompleteSlackScanAt", "lastSlackScan", "pendingCandidates", "revision", "runID",
        "runProcessedIDs", "runTaskIDs", "scanHistory", "tasks", "title", "updatedAt", "version"});

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
        case 0:
            document.dismissedCandidateKeys
                = isNull ? std::vector<std::string> {} : readStrings(field.value, field.key);
            break;
        case 1:
            document.lastCompleteSlackScanAt = readOptionalString(field.value, field.key);
            break;
        case 2:
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
        case 3:
            document.pendingCandidates = isNull ? std::vector<TaskCandidate> {}
                                                : readList<TaskCandidate>(field.value, field.key, readCandidate);
            break;
        case 4:
            document.revision = readInteger(field.value, field.key);
            break;
        case 5:
            document.runID = readOptionalString(field.value, field.key);
            break;
        case 6:
            document.runProcessedIDs = readOptionalStrings(field.value, field.key);
            break;
        case 7:
            document.runTaskIDs = readOptionalStrings(field.value, field.key);
            break;
        case 8:
            document.scanHistory
                = isNull ? std::vector<ScanReport> {} : readList<ScanReport>(field.value, field.key, readReport);
            break;
        case 9:
            document.tasks = readList<TaskItem>(field.value, field.key, [hints](element item) {
                TaskItem task = readTask(item);
                if (hints != nullptr)
                    hints->add(task);
                return task;
            });
            if (hints != nullptr && !hints->describes(document.tasks))
                *hints = {}; // a second "tasks" key: let validation read the cards itself
            break;
        case 10:
            document.title = readString(field.value, field.key);
            break;
        case 11:
            document.updatedAt = readString(field.value, field.key);
            break;
        case 12:
            document.version = readInteger(field.value, field.key);
            break;
        default:
            continue;
        }
        seen |= 1u << index;
    }
    documentKeys.requireAll(seen, bits(4, 9, 10, 11, 12));
    return document;
}

std::string lowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace

std::size_t TallowinDocumentJson::paddingBytes()
{
    return simdjson::SIMDJSON_PADDING;
}

namespace {

TallowinDocument decodeDocument(std::string_view json, std::size_t readableBytesAfter, TallowinValidationHints *hints)
{
    // One parser per thread, kept between calls: its buffers are sized to the largest deck seen, and
    // allocating (and first touching) them anew costs more than the parse itself.
    thread_local simdjson::dom::parser parser;
    element root;
    simdjson::error_code error;
    if (readableBytesAfter >= simdjson::SIMDJSON_PADDING) {
        error = parser.parse(json.data(), json.size(), false).get(root);
    } else {
        const simdjson::padded_string padded(json);
        error = parser.parse(padded).get(root);
    }
    if (error)
        throw JsonReadError::malformed(lowerFirst(simdjson::error_message(error)));
    // Strings and the tape live in the parser, not in the input, so the padded copy may already be gone.
    return readDocument(root, hints);
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

} // namespace tallowin
