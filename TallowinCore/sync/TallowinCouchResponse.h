#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/sync/TallowinCouchClient.h"

#include <optional>
#include <string>
#include <string_view>

namespace tallowin {

// What the server answered to one request of TallowinCouchClient, and what that answer means for each kind of
// request. Kept apart from the transfer, so that any answer a server or a relay may send is read the same way
// without a network. The readers throw TallowinCouchError naming url, the request's address without credentials.
struct TALLOWIN_CORE_EXPORT TallowinCouchResponse
{
    long status = 0;
    std::string body;
    bool timedOut = false; // only reported when the server answered before our deadline passed
    bool cancelled = false;

    // A document's GET: nothing when it does not exist (or was deleted).
    std::optional<CouchDocument> document(const std::string &url) const;
    // An attachment's GET: its bytes.
    std::string attachment(const std::string &url) &&;
    // A document's PUT.
    CouchSaveResult saveResult(const std::string &url) const;
    // The GET of /_session: the name of the signed-in user.
    std::string sessionName(const std::string &url) const;
    // The database's GET: its update sequence.
    std::string updateSequence(const std::string &url) const;
    // A long poll of the changes feed that started after since.
    CouchChanges changes(std::string_view since, const std::string &url) const;

    // The error for an answer that is no success.
    [[noreturn]] void fail(const std::string &url) const;
};

} // namespace tallowin
