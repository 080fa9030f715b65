#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <string>
#include <string_view>

namespace tallowin {

// Unicode-aware text helpers over UTF-8. Invalid UTF-8 sequences count as ordinary, non-blank characters.
struct TALLOWIN_CORE_EXPORT UnicodeText
{
    // Trims Unicode white space and line breaks from both ends.
    static std::string_view trimmedWhitespaceAndNewlines(std::string_view text);
    // Trims Unicode space separators and the tab, but not line breaks.
    static std::string_view trimmedSpacesAndTabs(std::string_view text);
    // Folded form for case- and diacritic-insensitive comparison.
    static std::string foldedCaseAndDiacritics(std::string_view text);
    // As above, and full-width and half-width forms folded to their plain forms.
    static std::string foldedCaseDiacriticsAndWidth(std::string_view text);
};

} // namespace tallowin
