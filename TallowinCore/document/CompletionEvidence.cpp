#include "TallowinCore/document/CompletionEvidence.h"

#include <boost/url.hpp>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

namespace tallowin {

namespace {

// Compiled once; a const pattern may be shared between threads, each call makes its own matcher.
const icu::RegexPattern *linkPattern()
{
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError;
        std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
            icu::UnicodeString(uR"(https?://[^\s<>\[\]"']+)"), UREGEX_CASE_INSENSITIVE, parseError, status));
        if (U_FAILURE(status))
            compiled.reset();
        return compiled;
    }();
    return pattern.get();
}

// Sentence punctuation around a link in prose is not part of it.
std::string_view trimmedPunctuation(std::string_view text)
{
    constexpr std::string_view punctuation = ".,;:!?)";
    const auto first = text.find_first_not_of(punctuation);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(punctuation) - first + 1);
}

bool isWebLink(std::string_view candidate)
{
    const auto parsed = boost::urls::parse_uri_reference(boost::urls::string_view(candidate.data(), candidate.size()));
    if (!parsed || !parsed->has_scheme())
        return false;
    const auto scheme = parsed->scheme();
    return boost::urls::grammar::ci_is_equal(scheme, "http") || boost::urls::grammar::ci_is_equal(scheme, "https");
}

} // namespace

std::vector<std::string> CompletionEvidence::urls(std::string_view text)
{
    std::vector<std::string> links;
    const icu::RegexPattern *pattern = linkPattern();
    if (pattern == nullptr)
        return links;

    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status))
        return links;

    std::string match;
    while (matcher->find(status) && U_SUCCESS(status)) {
        const int32_t start = matcher->start(status);
        const int32_t end = matcher->end(status);
        if (U_FAILURE(status))
            break;
        match.clear();
        input.tempSubStringBetween(start, end).toUTF8String(match);
        const std::string_view link = trimmedPunctuation(match);
        if (!isWebLink(link) || std::find(links.begin(), links.end(), link) != links.end())
            continue;
        links.emplace_back(link);
    }
    return links;
}

} // namespace tallowin
