#include "TallowinCore/codec/TallowinDocumentJson.h"

#include "TallowinCore/base/HelperThread.h"

#include <simdjson.h>

#include <stdexcept>

namespace tallowin {

// Members are written in ascending key order; the writer checks it in debug builds.

namespace {

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
    writer.optionalMember("continuationCursor", lane.continuationCursor);
    writer.member("conversationsInspected", lane.conversationsInspected);
    writer.member("exhausted", lane.exhausted);
    writer.optionalMember("failure", lane.failure);
    writer.member("lane", rawValue(lane.lane));
    writer.optionalMember("lowerBoundAt", lane.lowerBoundAt);
    writer.member("pagesRead", lane.pagesRead);
    if (lane.pendingThreadURLs)
        writer.stringsMember("pendingThreadURLs", *lane.pendingThreadURLs);
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

void TallowinDocumentJson::write(JsonWriter &writer, const TaskSource &source)
{
    writer.beginObject();
    writer.member("label", source.label);
    writer.optionalMember("resolvedAt", source.resolvedAt);
    writer.optionalMember("resolvedItemKey", source.resolvedItemKey);
    writer.optionalMember("sourceKey", source.sourceKey);
    writer.member("url", source.url);
    writer.endObject();
}

void TallowinDocumentJson::write(JsonWriter &writer, const TaskItem &task)
{
    writer.beginObject();
    writer.optionalMember("captureOrigin", task.captureOrigin);
    writer.member("context", task.context);
    writer.member("createdAt", task.createdAt);
    writer.optionalMember("delayTarget", task.delayTarget);
    writer.optionalMember("followUpPerson", task.followUpPerson);
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
    writer.optionalMember("mergedInto", task.mergedInto);
    if (task.mergedTaskIDs)
        writer.stringsMember("mergedTaskIDs", *task.mergedTaskIDs);
    writer.member("order", task.order);
    writer.member("person", task.person);
    writer.member("result", task.result);
    writer.optionalMember("resumeAt", task.resumeAt);
    writer.key("sources");
    writer.beginArray();
    for (const TaskSource &source : task.sources)
        TallowinDocumentJson::write(writer, source);
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
    TallowinDocumentJson::write(writer, candidate.source);
    writer.optionalMember("sourceAuthor", candidate.sourceAuthor);
    writer.optionalMember("sourceTimestamp", candidate.sourceTimestamp);
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
    writer.optionalMember("lowerBoundAt", report.lowerBoundAt);
    writer.member("mentions", report.mentions);
    writer.member("note", report.note);
    writer.optionalMember("resumeOfStartedAt", report.resumeOfStartedAt);
    writer.member("selfMessages", report.selfMessages);
    writer.member("startedAt", report.startedAt);
    writer.optionalMember("watermarkAt", report.watermarkAt);
    writer.endObject();
}

// A large deck's cards are written in two halves at the same time, the second on the helper thread by its own
// writer into its own string: encoding is most of every save. That string is appended, or becomes a piece of its own
// when the document is being written in pieces.
void TallowinDocumentJson::writeTasks(
    JsonWriter &writer, const std::vector<TaskItem> &tasks, std::vector<std::string> *pieces)
{
    if (tasks.size() < TallowinDocument::cardsWorthASecondThread) {
        for (const TaskItem &task : tasks)
            write(writer, task);
        return;
    }
    const std::size_t middle = tasks.size() / 2;
    // Read before the first half moves the writer on.
    const JsonLayout layout = writer.layout();
    const JsonSlashes slashes = writer.slashes();
    const std::size_t depth = writer.depth();
    // A piece of its own is checked here; appended text is checked with the rest of the output.
    const bool ownPiece = pieces != nullptr;
    std::string secondHalf;
    HelperThread::runBoth(
        [&] {
            for (std::size_t index = 0; index < middle; ++index)
                write(writer, tasks[index]);
        },
        [&] {
            secondHalf.reserve(estimatedSize(tasks.begin() + std::ptrdiff_t(middle), tasks.end()));
            JsonWriter continuing = JsonWriter::continuingArray(secondHalf, layout, slashes, depth, middle);
            for (std::size_t index = middle; index < tasks.size(); ++index)
                write(continuing, tasks[index]);
            if (ownPiece)
                checkUTF8(secondHalf);
        });
    if (pieces == nullptr) {
        writer.appendWritten(secondHalf, tasks.size() - middle);
        return;
    }
    pieces->push_back(std::move(secondHalf));
    pieces->emplace_back();
    writer.continueAfter(tasks.size() - middle, pieces->back());
}

void TallowinDocumentJson::write(JsonWriter &writer, const TallowinDocument &document)
{
    write(writer, document, nullptr);
}

void TallowinDocumentJson::write(JsonWriter &writer, const TallowinDocument &document, std::vector<std::string> *pieces)
{
    writer.beginObject();
    writer.stringsMember("dismissedCandidateKeys", document.dismissedCandidateKeys);
    writer.optionalMember("lastCompleteSlackScanAt", document.lastCompleteSlackScanAt);
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
    writer.optionalMember("runID", document.runID);
    if (document.runProcessedIDs)
        writer.stringsMember("runProcessedIDs", *document.runProcessedIDs);
    if (document.runTaskIDs)
        writer.stringsMember("runTaskIDs", *document.runTaskIDs);
    writer.key("scanHistory");
    writer.beginArray();
    for (const ScanReport &report : document.scanHistory)
        write(writer, report);
    writer.endArray();
    writer.key("tasks");
    writer.beginArray();
    writeTasks(writer, document.tasks, pieces);
    writer.endArray();
    writer.member("title", document.title);
    writer.member("updatedAt", document.updatedAt);
    writer.member("version", document.version);
    writer.endObject();
}

std::size_t TallowinDocumentJson::estimatedSize(
    std::vector<TaskItem>::const_iterator begin, std::vector<TaskItem>::const_iterator end)
{
    std::size_t size = 0;
    for (auto task = begin; task != end; ++task) {
        size += 700 + task->title.size() + task->context.size() + task->result.size() + task->instruction.size()
            + task->person.size();
        size += task->history.size() * 200 + task->sources.size() * 250;
        for (const TaskHistoryEvent &event : task->history)
            size += event.note.size();
    }
    return size;
}

std::size_t TallowinDocumentJson::estimatedSize(const TallowinDocument &document)
{
    return 1024 + estimatedSize(document.tasks.begin(), document.tasks.end()) + document.pendingCandidates.size() * 900;
}

void TallowinDocumentJson::append(
    std::string &output, const TallowinDocument &document, JsonLayout layout, JsonSlashes slashes)
{
    const std::size_t start = output.size();
    JsonWriter writer(output, layout, slashes);
    write(writer, document);
    checkUTF8(std::string_view(output).substr(start));
}

void TallowinDocumentJson::appendPieces(
    std::vector<std::string> &pieces, const TallowinDocument &document, JsonLayout layout, JsonSlashes slashes)
{
    if (pieces.empty())
        pieces.emplace_back();
    const std::size_t first = pieces.size() - 1;
    const std::size_t start = pieces.back().size();
    JsonWriter writer(pieces.back(), layout, slashes);
    write(writer, document, &pieces);
    // The cards' own pieces were checked where they were written.
    checkUTF8(std::string_view(pieces[first]).substr(start));
    if (pieces.size() > first + 1)
        checkUTF8(pieces.back());
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
