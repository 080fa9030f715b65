#include "TallowinCore/base/UnicodeText.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <stdexcept>

namespace tallowin {

namespace {

template<typename Predicate> std::string_view trimmed(std::string_view text, Predicate isTrimmed)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !isTrimmed(c))
            break;
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 c;
        U8_PREV(bytes, start, previous, c);
        if (c < 0 || !isTrimmed(c))
            break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

const icu::Normalizer2 &normalizer(const icu::Normalizer2 *(*instance)(UErrorCode &))
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *result = instance(status);
    if (U_FAILURE(status) || result == nullptr)
        throw std::runtime_error("Unicode normalisation data is unavailable.");
    return *result;
}

bool isWidthVariant(UChar32 c)
{
    return (c >= 0xFF01 && c <= 0xFFEE) || c == 0x3000;
}

std::string folded(std::string_view text, bool foldWidth)
{
    icu::UnicodeString string = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
    UErrorCode status = U_ZERO_ERROR;
    if (foldWidth) {
        const icu::Normalizer2 &nfkc = normalizer(&icu::Normalizer2::getNFKCInstance);
        icu::UnicodeString widthFolded;
        for (int32_t i = 0; i < string.length();) {
            const UChar32 c = string.char32At(i);
            const int32_t next = string.moveIndex32(i, 1);
            icu::UnicodeString piece(string, i, next - i);
            widthFolded += isWidthVariant(c) ? nfkc.normalize(piece, status) : piece;
            i = next;
        }
        string = widthFolded;
    }
    const icu::Normalizer2 &nfd = normalizer(&icu::Normalizer2::getNFDInstance);
    icu::UnicodeString decomposed = nfd.normalize(string, status);
    icu::UnicodeString withoutMarks;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK)
            withoutMarks.append(c);
        i = decomposed.moveIndex32(i, 1);
    }
    withoutMarks.foldCase();
    const icu::Normalizer2 &nfc = normalizer(&icu::Normalizer2::getNFCInstance);
    icu::UnicodeString composed = nfc.normalize(withoutMarks, status);
    if (U_FAILURE(status))
        throw std::runtime_error("Unicode normalisation failed.");
    std::string out;
    composed.toUTF8String(out);
    return out;
}

} // namespace

std::string_view UnicodeText::trimmedWhitespaceAndNewlines(std::string_view text)
{
    return trimmed(text, [](UChar32 c) { return u_isUWhiteSpace(c) != 0; });
}

std::string_view UnicodeText::trimmedSpacesAndTabs(std::string_view text)
{
    return trimmed(text, [](UChar32 c) { return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR; });
}

std::string UnicodeText::foldedCaseAndDiacritics(std::string_view text)
{
    return folded(text, false);
}

std::string UnicodeText::foldedCaseDiacriticsAndWidth(std::string_view text)
{
    return folded(text, true);
}

} // namespace tallowin
