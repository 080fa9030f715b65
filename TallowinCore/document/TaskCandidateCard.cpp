#include "TallowinCore/document/TaskCandidateCard.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace tallowin {

std::string TaskCandidateCard::id(std::string_view candidateID)
{
    std::string out = "KB-";
    const bool ascii = std::all_of(
        candidateID.begin(), candidateID.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        for (const char c : candidateID)
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        return out;
    }
    icu::UnicodeString text
        = icu::UnicodeString::fromUTF8(icu::StringPiece(candidateID.data(), static_cast<int32_t>(candidateID.size())));
    text.toLower(icu::Locale::getRoot());
    text.toUTF8String(out);
    return out;
}

} // namespace tallowin
