#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

class TallowinMappedFile;

// The deck file: a readable summary, then the whole document as JSON between two marker lines.
// Only the JSON half is ever read back.
struct TALLOWIN_CORE_EXPORT TaskMarkdownCodec
{
    static constexpr std::string_view beginMarker = "<!-- TALLOWIN_DATA_BEGIN -->";
    static constexpr std::string_view endMarker = "<!-- TALLOWIN_DATA_END -->";

    static std::string encode(const TallowinDocument &document);
    // The same text in pieces to be written one after another; a large deck's is never joined into one string.
    static std::vector<std::string> encodePieces(const TallowinDocument &document);
    // Migrates and validates. Throws TaskMarkdownCodecError, JsonReadError or TallowinValidationError.
    static TallowinDocument decode(std::string_view text);
    // As decode(text), parsing in place when readableBytesAfterText bytes beyond the text may be read.
    static TallowinDocument decode(std::string_view text, std::size_t readableBytesAfterText);
    // As decode(text), for text the caller no longer needs (as TallowinTextFile::read returns it, so it is parsed in
    // place): it is freed as soon as it is parsed, so a large deck's text and records are never held at once.
    // readsOnce: for a process that reads one deck; the parser's buffers go as soon as the records are built.
    static TallowinDocument decodeConsuming(std::string &&text, bool readsOnce = false);
    // Likewise for a mapped deck file, which is unmapped as soon as it is parsed.
    static TallowinDocument decodeConsuming(TallowinMappedFile &&file, bool readsOnce = false);
};

} // namespace tallowin
