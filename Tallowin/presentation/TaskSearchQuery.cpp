#include "Tallowin/presentation/TaskSearchQuery.h"

#include "TallowinCore/base/UnicodeText.h"

#include <algorithm>

namespace tallowin {

namespace {

bool isASCII(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

TaskSearchQuery::TaskSearchQuery(std::string_view text)
{
    const std::string key = folded(UnicodeText::trimmedWhitespaceAndNewlines(text));
    std::size_t start = 0;
    while (start < key.size()) {
        while (start < key.size() && isSeparator(key[start]))
            ++start;
        std::size_t end = start;
        while (end < key.size() && !isSeparator(key[end]))
            ++end;
        if (end > start)
            m_words.emplace_back(key.substr(start, end - start));
        start = end;
    }
}

bool TaskSearchQuery::matches(std::string_view key) const
{
    return std::all_of(
        m_words.begin(), m_words.end(), [&](const std::string &word) { return key.find(word) != std::string::npos; });
}

std::string TaskSearchQuery::folded(std::string_view text)
{
    if (!isASCII(text))
        return UnicodeText::foldedCaseDiacriticsAndWidth(text);
    std::string result(text);
    for (char &c : result) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return result;
}

} // namespace tallowin
