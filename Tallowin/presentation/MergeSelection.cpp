#include "Tallowin/presentation/MergeSelection.h"

#include "TallowinCore/base/UnicodeText.h"

#include <algorithm>

namespace tallowin {

MergeSelection::MergeSelection(std::string primaryID)
    : m_ids {std::move(primaryID)}
{ }

bool MergeSelection::contains(std::string_view id) const
{
    return std::find(m_ids.begin(), m_ids.end(), id) != m_ids.end();
}

bool MergeSelection::add(const std::string &id)
{
    if (contains(id))
        return false;
    m_ids.push_back(id);
    return true;
}

bool MergeSelection::remove(std::string_view id)
{
    const auto found = std::find(m_ids.begin() + 1, m_ids.end(), id);
    if (found == m_ids.end())
        return false;
    m_ids.erase(found);
    return true;
}

void MergeSelection::retain(const std::function<bool(const std::string &)> &keep)
{
    m_ids.erase(
        std::remove_if(m_ids.begin() + 1, m_ids.end(), [&](const std::string &id) { return !keep(id); }), m_ids.end());
}

bool MergeSelection::canMerge(std::string_view title) const
{
    return m_ids.size() >= 2 && !UnicodeText::trimmedWhitespaceAndNewlines(title).empty();
}

} // namespace tallowin
