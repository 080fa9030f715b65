#include "cli/IdResolution.h"

#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/workflow/TallowinDomainError.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace tallowin::cli {

namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (prefix.size() > text.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

template<typename Item, typename NotFound>
std::string resolve(const std::vector<Item> &items, const std::string &argument, const char *singular,
    const char *plural, NotFound notFound)
{
    if (argument.empty())
        throw TallowinError(std::string("Name a ") + singular + " by its ID or the start of its ID.");
    std::vector<std::string> exact;
    std::vector<std::string> matches;
    for (const Item &item : items) {
        if (item.id == argument)
            return item.id;
        if (startsWithIgnoringCase(item.id, argument)) {
            matches.push_back(item.id);
            if (item.id.size() == argument.size())
                exact.push_back(item.id);
        }
    }
    if (exact.size() == 1)
        return exact.front();
    if (matches.size() == 1)
        return matches.front();
    if (matches.empty())
        throw notFound(argument);
    std::string list;
    for (const std::string &id : matches)
        list += (list.empty() ? "" : ", ") + id;
    throw TallowinError(argument + " matches several " + plural + ": " + list + ".");
}

} // namespace

std::string resolveCardID(const TallowinDocument &document, const std::string &argument)
{
    return resolve(document.tasks, argument, "card", "cards", &TallowinDomainError::taskNotFound);
}

std::string resolveCandidateID(const TallowinDocument &document, const std::string &argument)
{
    return resolve(
        document.pendingCandidates, argument, "candidate", "candidates", &TallowinDomainError::candidateNotFound);
}

} // namespace tallowin::cli
