#pragma once

#include "TallowinCore/JsonWriter.h"
#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/TallowinDocument.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tallowin {

struct TallowinValidationHints;

// The JSON form of the deck and its records: keys sorted, absent optionals omitted, required lists always written.
struct TALLOWIN_CORE_EXPORT TallowinDocumentJson
{
    static std::string encode(const TallowinDocument &document, JsonLayout layout, JsonSlashes slashes);
    // Appends the document's JSON to output. Throws std::invalid_argument when a text is not valid UTF-8.
    static void append(std::string &output, const TallowinDocument &document, JsonLayout layout, JsonSlashes slashes);
    // A size to reserve for the document's JSON, so writing it does not reallocate.
    static std::size_t estimatedSize(const TallowinDocument &document);
    static std::string encode(const TaskItem &task, JsonLayout layout, JsonSlashes slashes);
    static std::string encode(const TaskCandidate &candidate, JsonLayout layout, JsonSlashes slashes);

    static void write(JsonWriter &writer, const TallowinDocument &document);
    static void write(JsonWriter &writer, const TaskItem &task);
    static void write(JsonWriter &writer, const TaskCandidate &candidate);
    static void write(JsonWriter &writer, const ScanReport &report);
    static void write(JsonWriter &writer, const TaskSource &source);

    // Reads the envelope without migrating or validating. Throws JsonReadError naming the offending key.
    // When at least paddingBytes() bytes after the text may be read (their content does not matter),
    // the text is parsed in place instead of being copied.
    static TallowinDocument decode(std::string_view json, std::size_t readableBytesAfter = 0);
    static std::size_t paddingBytes();
    // As decode, also gathering what validation needs from each card while it is in cache.
    static TallowinDocument decode(
        std::string_view json, std::size_t readableBytesAfter, TallowinValidationHints &hints);
};

} // namespace tallowin
