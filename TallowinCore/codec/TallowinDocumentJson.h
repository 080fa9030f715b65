#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/codec/JsonWriter.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

struct TallowinValidationHints;

// The JSON form of the deck and its records: keys sorted, absent optionals omitted, required lists always written.
struct TALLOWIN_CORE_EXPORT TallowinDocumentJson
{
    static std::string encode(const TallowinDocument &document, JsonLayout layout, JsonSlashes slashes);
    // Appends the document's JSON to output. Throws std::invalid_argument when a text is not valid UTF-8.
    static void append(std::string &output, const TallowinDocument &document, JsonLayout layout, JsonSlashes slashes);
    // As append, with the JSON appended to the last of pieces and, for a large deck, continued in more pieces
    // added after it: the text is all pieces one after another. Spares joining them into one large string.
    static void appendPieces(
        std::vector<std::string> &pieces, const TallowinDocument &document, JsonLayout layout, JsonSlashes slashes);
    // A size to reserve for the document's JSON, so writing it does not reallocate.
    static std::size_t estimatedSize(const TallowinDocument &document);
    static std::size_t estimatedSize(
        std::vector<TaskItem>::const_iterator begin, std::vector<TaskItem>::const_iterator end);
    static std::string encode(const TaskItem &task, JsonLayout layout, JsonSlashes slashes);
    static std::string encode(const TaskCandidate &candidate, JsonLayout layout, JsonSlashes slashes);

    static void write(JsonWriter &writer, const TallowinDocument &document);
    static void write(JsonWriter &writer, const TaskItem &task);
    static void write(JsonWriter &writer, const TaskCandidate &candidate);
    static void write(JsonWriter &writer, const ScanReport &report);
    static void write(JsonWriter &writer, const TaskSource &source);
    // With pieces, the writer may go on in strings added to them; see appendPieces.
    static void write(JsonWriter &writer, const TallowinDocument &document, std::vector<std::string> *pieces);
    // The cards of an open array, one after another.
    static void writeTasks(
        JsonWriter &writer, const std::vector<TaskItem> &tasks, std::vector<std::string> *pieces = nullptr);

    // Reads the envelope without migrating or validating. Throws JsonReadError naming the offending key.
    // When at least paddingBytes() bytes after the text may be read (their content does not matter),
    // the text is parsed in place instead of being copied.
    static TallowinDocument decode(std::string_view json, std::size_t readableBytesAfter = 0);
    static std::size_t paddingBytes();
    // As decode, also gathering what validation needs from each card while it is in cache.
    static TallowinDocument decode(
        std::string_view json, std::size_t readableBytesAfter, TallowinValidationHints &hints);
    // As above, calling releaseInput as soon as json is parsed, before the records are built, so that a large
    // deck's text and its records are never held at once. readsOnce: for a process that reads one deck, the
    // parser's buffers are freed as soon as the records are built.
    static TallowinDocument decode(std::string_view json, std::size_t readableBytesAfter,
        TallowinValidationHints &hints, const std::function<void()> &releaseInput, bool readsOnce = false);
    // Frees the buffers this thread's parser keeps between decodes, sized for the largest deck it has read. For a
    // thread that decodes once; the next decode on it allocates them again.
    static void releaseParserMemory();
};

} // namespace tallowin
