#include "TallowinCore/TallowinDocumentJson.h"

#include <simdjson.h>

#include <stdexcept>

namespace tallowin {

// Members are written in ascending key order; the writer checks it in debug builds.

namespace {

void writeOptional(JsonWriter &writer, std::string_view key, const std::optional<std::string> &value)
{
    if (value)
        writer.member(key, *value);
}

void writeStrings(JsonWriter &writer, std::string_view key, const std::vector<std::string> &values)
{
    writer.key(key);
    writer.beginArray();
    for (const std::string &value : values)
        writer.string(value);
    writer.endArray();
}

void writeOptionalStrings(
    JsonWriter &writer, std::string_view key, const std::optional<std::vector<std::string>> &values)
{
    if (values)
        writeStrings(writer, key, *values);
}

void writeSource(JsonWriter &writer, const TaskSource &source)
{
    writer.beginObject();
    writer.member("label", source.label);
    writeOptional(writer, "resolvedAt", source.resolvedAt);
    writeOptional(writer, "resolvedItemKey", source.resolvedItemKey);
    writeOptional(writer, "sourceKey", source.sourceKey);
    writer.member("url", source.url);
    writer.endObject();
}

void writeEvent(JsonWriter &writer, const TaskHistoryEvent &event)
{
    writer.beginObject();
    writer.member("at", event.at);
    writer.member("id", event.id);
    writer.member("note", event.note);
    writer.member("type", event.type);
    writer.endObject();
}

void writeLane(JsonWriter &writer, const ScanLaneEvidence &lane)
{
    writer.beginObject();
    writeOptional(writer, "continuationCursor", lane.continuationCursor);
    writer.member("conversationsInspected", lane.conversationsInspected);
    writer.member("exhausted", lane.exhausted);
    writeOptional(writer, "failure", lane.failure);
    writer.member("lane", rawValue(lane.lane));
    writeOptional(writer, "lowerBoundAt", lane.lowerBoundAt);
    writer.member("pagesRead", lane.pagesRead);
    writeOptionalStrings(writer, "pendingThreadURLs", lane.pendingThreadURLs);
    writer.member("threadsRead", lane.threadsRead);
    writer.member("upperBoundAt", lane.upperBoundAt);
    writer.endObject();
}

// The text must be valid UTF-8 to be JSON; one fast pass over the result checks every string at once.
void checkUTF8(std::string_view output)
{
    if (!simdjson::validate_utf8(output.data(), output.size()))
        throw std::invalid_argument("The deck holds text that is not valid UTF-8 and cannot be written as JSON.");
}

std::string checkedUTF8(std::string output)
{
    checkUTF8(output);
    return output;
}

template<typename Value> std::string encodeValue(const Value &value, JsonLayout layout, JsonSlashes slashes)
{
    std::string output;
    JsonWriter writer(output, layout, slashes);
    TallowinDocumentJson::write(writer, value);
    return checkedUTF8(std::move(output));
}

} // namespace

void TallowinDocumentJson::write(JsonWriter &writer, const TaskItem &task)
{
    writer.beginObject();
    writeOptional(writer, "captureOrigin", task.captureOrigin);
    writer.member("context", task.context);
    writer.member("createdAt", task.createdAt);
    writeOptional(writer, "delayTarget", task.delayTarget);
    writeOptional(writer, "followUpPerson", task.followUpPerson);
    if (task.highlighted)
        writer.member("highlighted", *task.highlighted);
    writer.key("history");
    writer.beginArray();
    for (const TaskHistoryEvent &event : task.history)
        writeEvent(writer, event);
    writer.endArray();
    writer.member("id", task.id);
    writer.member("instruction", task.instruction);
    writer.member("kind", rawValue(task.kind));
    writeOptional(writer, "mergedInto", task.mergedInto);
    writeOptionalStrings(writer, "mergedTaskIDs", task.mergedTaskIDs);
    writer.member("order", task.order);
    writer.member("person", task.person);
    writer.member("result", task.result);
    writeOptional(writer, "resumeAt", task.resumeAt);
    writer.key("sources");
    writer.beginArray();
    for (const TaskSource &source : task.sources)
        writeSource(writer, source);
    writer.endArray();
    writer.member("state", rawValue(task.state));
    writer.member("title", task.title);
    writer.member("updatedAt", task.updatedAt);
    writer.endObject();
}

void TallowinDocumentJson::write(JsonWriter &writer, const TaskCandidate &candidate)
{
    writer.beginObject();
    writer.member("classificationReason", candidate.classificationReason);
    if (candidate.confidence)
        writer.member("confidence", *candidate.confidence);
    writer.member("context", candidate.context);
    writer.member("discoveredAt", candidate.discoveredAt);
    writer.member("id", candidate.id);
    writer.member("kind", rawValue(candidate.kind));
    writer.member("person", candidate.person);
    writer.key("source");
    writeSource(writer, candidate.source);
    writeOptional(writer, "sourceAuthor", candidate.sourceAuthor);
    writeOptional(writer, "sourceTimestamp", candidate.sourceTimestamp);
    writer.member("title", candidate.title);
    writer.endObject();
}

void TallowinDocumentJson::write(JsonWriter &writer, const ScanReport &report)
{
    writer.beginObject();
    writer.member("allPagesRead", report.allPagesRead);
    writer.member("channels", report.channels);
    writer.member("directMessages", report.directMessages);
    writer.member("finishedAt", report.finishedAt);
    if (report.lanes) {
        writer.key("lanes");
        writer.beginArray();
        for (const ScanLaneEvidence &lane : *report.lanes)
            writeLane(writer, lane);
        writer.endArray();
    }
    writeOptional(writer, "lowerBoundAt", report.lowerBoundAt);
    writer.member("mentions", report.mentions);
    writer.member("note", report.note);
    writeOptional(writer, "resumeOfStartedAt", report.resumeOfStartedAt);
    writer.member("selfMessages", report.selfMessages);
    writer.member("startedAt", report.startedAt);
    writeOptional(writer, "watermarkAt", report.watermarkAt);
    writer.endObject();
}

void TallowinDocumentJson::write(JsonWriter &writer, const TallowinDocument &document)
{
    writer.beginObject();
    writeStrings(writer, "dismissedCandidateKeys", document.dismissedCandidateKeys);
    writeOptional(writer, "lastCompleteSlackScanAt", document.lastCompleteSlackScanAt);
    if (document.lastSlackScan) {
        writer.key("lastSlackScan");
        write(writer, *document.lastSlackScan);
    }
    writer.key("pendingCandidates");
    writer.beginArray();
    for (const TaskCandidate &candidate : document.pendingCandidates)
        write(writer, candidate);
    writer.endArray();
    writer.member("revision", document.revision);
    writeOptional(writer, "runID", document.runID);
    writeOptionalStrings(writer, "runProcessedIDs", document.runProcessedIDs);
    writeOptionalStrings(writer, "runTaskIDs", document.runTaskIDs);
    writer.key("scanHistory");
    writer.beginArray();
    for (const ScanReport &report : document.scanHistory)
        write(writer, report);
    writer.endArray();
    writer.key("tasks");
    writer.beginArray();
    for (const TaskItem &task : document.tasks)
        write(writer, task);
    writer.endArray();
    writer.member("title", document.title);
    writer.member("updatedAt", document.updatedAt);
    writer.member("version", document.version);
    writer.endObject();
}

std::size_t TallowinDocumentJson::estimatedSize(const TallowinDocument &document)
{
    std::size_t size = 1024;
    for (const TaskItem &task : document.tasks) {
        size += 700 + task.title.size() + task.context.size() + task.result.size() + task.instruction.size()
            + task.person.size();
        size += task.history.size() * 200 + task.sources.size() * 250;
        for (const TaskHistoryEvent &event : task.history)
            size += event.note.size();
    }
    return size + document.pendingCandidates.size() * 900;
}

void TallowinDocumentJson::append(
    std::string &output, const TallowinDocument &document, JsonLayout layout, JsonSlashes slashes)
{
    const std::size_t start = output.size();
    JsonWriter writer(output, layout, slashes);
    write(writer, document);
    checkUTF8(std::string_view(output).substr(start));
}

std::string TallowinDocumentJson::encode(const TallowinDocument &document, JsonLayout layout, JsonSlashes slashes)
{
    std::string output;
    output.reserve(estimatedSize(document));
    append(output, document, layout, slashes);
    return output;
}

std::string TallowinDocumentJson::encode(const TaskItem &task, JsonLayout layout, JsonSlashes slashes)
{
    return encodeValue(task, layout, slashes);
}

std::string TallowinDocumentJson::encode(const TaskCandidate &candidate, JsonLayout layout, JsonSlashes slashes)
{
    return encodeValue(candidate, layout, slashes);
}

} // namespace tallowin
