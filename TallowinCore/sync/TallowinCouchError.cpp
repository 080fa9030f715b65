#include "TallowinCore/sync/TallowinCouchError.h"

namespace tallowin {

TallowinCouchError::TallowinCouchError(Kind kind, std::string url, long status, const std::string &sentence)
    : TallowinError(sentence)
    , m_kind(kind)
    , m_url(std::move(url))
    , m_status(status)
{ }

TallowinCouchError TallowinCouchError::invalidURL()
{
    // The address is not repeated: it may carry a password we could not reliably separate from it.
    return {Kind::invalidURL, {}, 0,
        "The cloud database address is not a valid http or https URL of a database (http://host:port/name)."};
}

TallowinCouchError TallowinCouchError::unreachable(const std::string &url, const std::string &reason)
{
    return {Kind::unreachable, url, 0, "Could not reach the cloud database at " + url + ": " + reason + "."};
}

TallowinCouchError TallowinCouchError::unauthorized(const std::string &url, long status)
{
    return {Kind::unauthorized, url, status,
        "The cloud database at " + url + " did not accept the user name and password (HTTP " + std::to_string(status)
            + ")."};
}

TallowinCouchError TallowinCouchError::notFound(const std::string &url)
{
    return {Kind::notFound, url, 404, "The cloud database has nothing at " + url + "."};
}

TallowinCouchError TallowinCouchError::unexpectedStatus(const std::string &url, long status, const std::string &reason)
{
    std::string sentence = "The cloud database answered HTTP " + std::to_string(status) + " to " + url;
    if (!reason.empty())
        sentence += " (" + reason + ")";
    return {Kind::unexpectedStatus, url, status, sentence + "."};
}

TallowinCouchError TallowinCouchError::malformedResponse(const std::string &url)
{
    return {
        Kind::malformedResponse, url, 0, "The cloud database sent an answer to " + url + " that could not be read."};
}

TallowinCouchError TallowinCouchError::cancelled(const std::string &url)
{
    return {Kind::cancelled, url, 0, "The request to the cloud database at " + url + " was cancelled."};
}

} // namespace tallowin
