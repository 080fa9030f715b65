#include "TallowinCore/codec/TaskMarkdownCodec.h"

#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodecError.h"
#include "TallowinCore/document/TallowinValidationHints.h"
#include "TallowinCore/io/TallowinMappedFile.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace tallowin {

namespace {

void appendInteger(std::string &output, std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    output.append(buffer, result.ptr);
}

// Both markers start with this; no text of ours may contain it, or the next read would find the
// data block in the wrong place and the deck could not be read again.
constexpr std::string_view markerStart = "<!-- TALLOWIN_DATA_";

// Inserts a card's text into the summary as it is, except that marker text reads "&lt;!-- ...":
// Markdown shows the same characters, and the file keeps a single pair of markers.
void appendInline(std::string &output, std::string_view text)
{
    std::size_t position = text.find(markerStart);
    while (position != std::string_view::npos) {
        output.append(text.substr(0, position));
        output += "&lt;";
        text.remove_prefix(position + 1);
        position = text.find(markerStart);
    }
    output.append(text);
}

// In the JSON block a "<" can only stand inside a string, where "\u003c" reads back as the same text.
void escapeMarkersInJson(std::string &output, std::size_t jsonStart)
{
    std::size_t position = output.find(markerStart, jsonStart);
    while (position != std::string::npos) {
        output.replace(position, 1, "\\u003c");
        position = output.find(markerStart, position);
    }
}

void appendLine(std::string &output, const std::string &person, const std::string &title, const std::string &id)
{
    output += "- **";
    appendInline(output, person);
    output += ":** ";
    appendInline(output, title);
    output += " (`";
    appendInline(output, id);
    output += "` )";
}

std::string_view scanStatus(const TallowinDocument &document)
{
    if (!document.lastSlackScan)
        return "Not yet run";
    return document.lastSlackScan->isComplete() ? "Complete" : "Incomplete";
}

// The order of the sections in the file, which differs from the order of the states.
constexpr std::array<TaskState, 6> sectionOrder = {TaskState::active, TaskState::actionRequested, TaskState::delayed,
    TaskState::completed, TaskState::merged, TaskState::removed};

void appendSections(std::string &output, const std::vector<TaskItem> &tasks)
{
    std::array<std::vector<const TaskItem *>, allTaskStates.size()> groups;
    for (const TaskItem &task : tasks)
        groups[static_cast<std::size_t>(task.state)].push_back(&task);
    for (TaskState state : sectionOrder) {
        auto &group = groups[static_cast<std::size_t>(state)];
        std::stable_sort(group.begin(), group.end(),
            [](const TaskItem *left, const TaskItem *right) { return left->order < right->order; });
        output += "\n\n## ";
        output += label(state);
        output += "\n\n";
        if (group.empty()) {
            output += "No cards.";
            continue;
        }
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (i > 0)
                output += '\n';
            appendLine(output, group[i]->person, group[i]->title, group[i]->id);
        }
    }
}

std::size_t summarySize(const TallowinDocument &document)
{
    std::size_t size = 512 + document.title.size() + document.updatedAt.size();
    for (const TaskItem &task : document.tasks)
        size += 16 + task.person.size() + task.title.size() + task.id.size();
    for (const TaskCandidate &candidate : document.pendingCandidates)
        size += 16 + candidate.person.size() + candidate.title.size() + candidate.id.size();
    return size;
}

// The JSON between the markers, without the white space around it.
std::string_view dataBlock(std::string_view text)
{
    const std::size_t begin = text.find(TaskMarkdownCodec::beginMarker);
    if (begin == std::string_view::npos)
        throw TaskMarkdownCodecError::missingDataBlock();
    const std::size_t blockStart = begin + TaskMarkdownCodec::beginMarker.size();
    const std::size_t end = text.find(TaskMarkdownCodec::endMarker, blockStart);
    if (end == std::string_view::npos)
        throw TaskMarkdownCodecError::missingDataBlock();
    return UnicodeText::trimmedWhitespaceAndNewlines(text.substr(blockStart, end - blockStart));
}

TallowinDocument migrated(TallowinDocument &&document, const TallowinValidationHints &hints)
{
    if (document.version != 1 && document.version != 2)
        throw TaskMarkdownCodecError::invalidVersion(document.version);
    return migratedAndValidated(std::move(document), &hints);
}

// Everything before the JSON: the readable summary and the begin marker.
void appendSummary(std::string &output, const TallowinDocument &document)
{
    output += "# ";
    appendInline(output, document.title);
    output += "\n\nRevision: ";
    appendInteger(output, document.revision);
    output += "  \nUpdated: ";
    appendInline(output, document.updatedAt);
    output += "  \nSlack scan: ";
    output += scanStatus(document);
    output += "  \nRun progress: ";
    appendInteger(output, document.runProcessedIDs ? std::int64_t(document.runProcessedIDs->size()) : 0);
    output += " of ";
    appendInteger(output, document.runTaskIDs ? std::int64_t(document.runTaskIDs->size()) : 0);
    output += "\n\n## Task inbox\n\n";
    if (document.pendingCandidates.empty())
        output += "No candidates.";
    for (std::size_t i = 0; i < document.pendingCandidates.size(); ++i) {
        const TaskCandidate &candidate = document.pendingCandidates[i];
        if (i > 0)
            output += '\n';
        appendLine(output, candidate.person, candidate.title, candidate.id);
    }
    appendSections(output, document.tasks);
    output += "\n\n## Machine data\n\n";
    output += TaskMarkdownCodec::beginMarker;
    output += '\n';
}

} // namespace

std::string TaskMarkdownCodec::encode(const TallowinDocument &document)
{
    std::string output;
    output.reserve(summarySize(document) + TallowinDocumentJson::estimatedSize(document));
    appendSummary(output, document);
    const std::size_t jsonStart = output.size();
    TallowinDocumentJson::append(output, document, JsonLayout::pretty, JsonSlashes::plain);
    escapeMarkersInJson(output, jsonStart);
    output += '\n';
    output += endMarker;
    return output;
}

std::vector<std::string> TaskMarkdownCodec::encodePieces(const TallowinDocument &document)
{
    std::vector<std::string> pieces(1);
    pieces.front().reserve(summarySize(document) + TallowinDocumentJson::estimatedSize(document));
    appendSummary(pieces.front(), document);
    const std::size_t jsonStart = pieces.front().size();
    TallowinDocumentJson::appendPieces(pieces, document, JsonLayout::pretty, JsonSlashes::plain);
    // Pieces end between two JSON values, never inside a text, so each is escaped on its own.
    escapeMarkersInJson(pieces.front(), jsonStart);
    for (std::size_t index = 1; index < pieces.size(); ++index)
        escapeMarkersInJson(pieces[index], 0);
    pieces.back() += '\n';
    pieces.back() += endMarker;
    return pieces;
}

TallowinDocument TaskMarkdownCodec::decode(std::string_view text)
{
    return decode(text, 0);
}

TallowinDocument TaskMarkdownCodec::decode(std::string_view text, std::size_t readableBytesAfterText)
{
    const std::string_view block = dataBlock(text);
    const std::size_t blockEnd = static_cast<std::size_t>(block.data() + block.size() - text.data());
    TallowinValidationHints hints;
    TallowinDocument document
        = TallowinDocumentJson::decode(block, text.size() - blockEnd + readableBytesAfterText, hints);
    return migrated(std::move(document), hints);
}

TallowinDocument TaskMarkdownCodec::decodeConsuming(std::string &&text, bool readsOnce)
{
    const std::string_view block = dataBlock(text);
    const std::size_t readableBytesAfter
        = static_cast<std::size_t>(text.data() + text.capacity() - (block.data() + block.size()));
    TallowinValidationHints hints;
    TallowinDocument document = TallowinDocumentJson::decode(
        block, readableBytesAfter, hints, [&text] { std::string().swap(text); }, readsOnce);
    return migrated(std::move(document), hints);
}

TallowinDocument TaskMarkdownCodec::decodeConsuming(TallowinMappedFile &&file, bool readsOnce)
{
    const std::string_view text = file.text();
    const std::string_view block = dataBlock(text);
    const std::size_t readableBytesAfter
        = static_cast<std::size_t>(text.data() + text.size() - (block.data() + block.size()))
        + file.readableBytesAfter();
    TallowinValidationHints hints;
    TallowinDocument document = TallowinDocumentJson::decode(
        block, readableBytesAfter, hints, [&file] { file.unmap(); }, readsOnce);
    return migrated(std::move(document), hints);
}

} // namespace tallowin
