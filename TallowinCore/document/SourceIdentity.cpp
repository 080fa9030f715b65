#include "TallowinCore/document/SourceIdentity.h"

#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/document/TaskContractError.h"

#include <boost/url.hpp>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>

namespace tallowin {

namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Locale-independent, so a key made on one machine matches the key made on another.
std::string lowercased(std::string_view text)
{
    if (isAscii(text)) {
        std::string out(text);
        for (char &c : out) {
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        }
        return out;
    }
    icu::UnicodeString string = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
    string.toLower(icu::Locale::getRoot());
    std::string out;
    string.toUTF8String(out);
    return out;
}

std::string_view trimmedSlashes(std::string_view text)
{
    const auto first = text.find_first_not_of('/');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of('/') - first + 1);
}

// Combining marks count as part of a word: a spacing vowel sign must not cut a word of an Indic script in two.
bool isWordCharacter(UChar32 c)
{
    return (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

} // namespace

std::string SourceIdentity::sourceKey(std::string_view text)
{
    const auto invalid = [text] { return TaskContractError::invalidSourceURL(std::string(text)); };

    const auto parsed = boost::urls::parse_uri_reference(boost::urls::string_view(text.data(), text.size()));
    if (!parsed)
        throw invalid();
    const boost::urls::url_view &url = *parsed;
    if (!url.has_scheme())
        throw invalid();
    const std::string scheme = lowercased(url.scheme());
    if (scheme != "http" && scheme != "https")
        throw invalid();
    if (!url.has_authority() || url.encoded_host().empty())
        throw invalid();

    // Message archive links name the same message whichever workspace host serves them.
    const std::string path = url.path();
    std::array<std::string_view, 3> pieces;
    std::size_t pieceCount = 0;
    for (std::size_t start = 0; start <= path.size() && pieceCount < pieces.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            pieces[pieceCount++] = std::string_view(path).substr(start, end - start);
        start = end + 1;
    }
    if (pieceCount == 3 && lowercased(pieces[0]) == "archives")
        return "slack:" + lowercased(pieces[1]) + ":" + lowercased(pieces[2]);

    boost::urls::url rebuilt(url);
    rebuilt.remove_query();
    rebuilt.remove_fragment();
    const boost::urls::string_view absolute = rebuilt.buffer();
    return "url:" + lowercased(trimmedSlashes(std::string_view(absolute.data(), absolute.size())));
}

std::string SourceIdentity::normalizedTitle(std::string_view title)
{
    const std::string folded = UnicodeText::foldedCaseDiacriticsAndWidth(title);
    const auto *bytes = reinterpret_cast<const uint8_t *>(folded.data());
    const auto length = static_cast<int32_t>(folded.size());

    std::string out;
    out.reserve(folded.size());
    int32_t wordStart = -1;
    const auto endWord = [&](int32_t end) {
        if (wordStart < 0)
            return;
        if (!out.empty())
            out += '-';
        out.append(folded, std::size_t(wordStart), std::size_t(end - wordStart));
        wordStart = -1;
    };
    for (int32_t index = 0; index < length;) {
        const int32_t start = index;
        UChar32 c;
        U8_NEXT(bytes, index, length, c);
        if (c >= 0 && isWordCharacter(c)) {
            if (wordStart < 0)
                wordStart = start;
        } else {
            endWord(start);
        }
    }
    endWord(length);
    return out;
}

std::string SourceIdentity::itemKey(std::string_view sourceURL, std::string_view title)
{
    return sourceKey(sourceURL) + "|" + normalizedTitle(title);
}

} // namespace tallowin
