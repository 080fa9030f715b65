#include "TallowinCore/discovery/TallowinDiscoveryLink.h"

#include "TallowinCore/discovery/TallowinDiscoveryRequest.h"

#include <boost/url/encode.hpp>
#include <boost/url/rfc/unreserved_chars.hpp>
#include <boost/url/url.hpp>

#include <stdexcept>
#include <string_view>

namespace tallowin {

namespace {

// Stricter than the query grammar needs: "&", "=", "+" and the quotes are legal there but mean
// something to some decoders, and a space written as "+" would come back as a plus from others.
constexpr auto queryValueChars = boost::urls::unreserved_chars + '/';

void appendItem(std::string &query, std::string_view name, std::string_view value)
{
    if (!query.empty())
        query += '&';
    query += name;
    query += '=';
    query += boost::urls::encode(boost::urls::string_view(value.data(), value.size()), queryValueChars);
}

} // namespace

std::string TallowinDiscoveryLink::codexLink(const std::filesystem::path &deckFile)
{
    const std::string prompt = TallowinDiscoveryRequest::prompt(deckFile);
    if (!deckFile.is_absolute() || !deckFile.has_filename())
        throw std::invalid_argument("The deck location " + deckFile.string() + " is not an absolute file path.");

    std::string query;
    appendItem(query, "prompt", prompt);
    appendItem(query, "path", deckFile.parent_path().native());
    appendItem(query, "mode", "work");

    boost::urls::url link;
    link.set_scheme("codex");
    link.set_host("threads");
    link.set_path("/new");
    link.set_encoded_query(query);
    return std::string(link.buffer());
}

} // namespace tallowin
