#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

// What the user typed into a search field: every word must appear in a card's search key, ignoring case and
// accents, so "cafe ana" finds "Café menu" for Ana.
class TaskSearchQuery
{
public:
    explicit TaskSearchQuery(std::string_view text = {});

    // Nothing but blanks was typed: everything matches.
    bool isEmpty() const { return m_words.empty(); }
    // key is a folded text, as folded() makes it.
    bool matches(std::string_view key) const;

    // The form keys and words are compared in. ASCII text, the common case, is only lower-cased; other text is
    // folded for case, diacritics and width.
    static std::string folded(std::string_view text);

private:
    std::vector<std::string> m_words;
};

} // namespace tallowin
