#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tallowin {

struct TallowinCouchResponse;

// A document as the database holds it: its revision and the whole JSON body (attachments as stubs).
struct CouchDocument
{
    std::string rev;
    std::string json;

    friend bool operator==(const CouchDocument &, const CouchDocument &) = default;
};

struct CouchSaveResult
{
    enum class Outcome { saved, changedRemotely };

    Outcome outcome = Outcome::saved;
    // The new revision when saved; empty otherwise.
    std::string rev;

    friend bool operator==(const CouchSaveResult &, const CouchSaveResult &) = default;
};

struct CouchChanges
{
    enum class Outcome { changed, timedOut, cancelled };

    Outcome outcome = Outcome::timedOut;
    // Where the next wait starts; unchanged when the wait timed out on our side or was cancelled.
    std::string since;

    friend bool operator==(const CouchChanges &, const CouchChanges &) = default;
};

// A small synchronous client for one CouchDB database, given by its URL, which may carry "user:password@".
// The credentials go to the server as HTTP basic authentication and never into a message: failures throw
// TallowinCouchError naming the address without them. Every request uses its own connection, so the
// operations may run on several threads at once; cancel() may be called from any thread.
class TALLOWIN_CORE_EXPORT TallowinCouchClient
{
public:
    // Throws TallowinCouchError::invalidURL unless the URL is http or https with a host and a database path.
    explicit TallowinCouchClient(std::string_view databaseURL);
    ~TallowinCouchClient();
    TallowinCouchClient(const TallowinCouchClient &) = delete;
    TallowinCouchClient &operator=(const TallowinCouchClient &) = delete;

    // The database address without credentials.
    const std::string &displayURL() const { return m_databaseURL; }
    // The server the database lives on (the database address minus its last segment), without credentials.
    const std::string &serverURL() const { return m_serverURL; }

    // Nothing when the document does not exist (or was deleted).
    std::optional<CouchDocument> getDocument(std::string_view id) const;
    // The attachment's bytes as stored at that revision; TallowinCouchError::notFound when missing.
    std::string getAttachment(std::string_view id, std::string_view name, std::string_view rev) const;
    // Writes the document with its string fields and one attachment in a single request, so the server stores
    // both or neither. Without a revision it creates the document. When the server holds another revision (or
    // the document already exists on create) nothing is written and the outcome is changedRemotely. Field
    // names must not start with "_", which the database reserves.
    CouchSaveResult putDocumentWithInlineAttachment(std::string_view id, const std::optional<std::string> &rev,
        const std::map<std::string, std::string> &fields, std::string_view attachmentName, std::string_view contentType,
        std::string_view bytes) const;
    // The name of the user the credentials sign in; TallowinCouchError::unauthorized when they sign in nobody.
    std::string session() const;
    // The database's current update sequence, a starting point for waitForChanges that misses nothing after it.
    std::string lastSequence() const;
    // Long-polls the changes feed for one document after `since` (a sequence or "now"). Returns when it
    // changed, when `timeout` passed without a change, or when cancel() was called.
    CouchChanges waitForChanges(std::string_view id, std::string_view since, std::chrono::milliseconds timeout) const;

    // Ends a running waitForChanges and makes every later request of this client end at once: waits return
    // cancelled, other requests throw TallowinCouchError::cancelled. Meant for shutting a listener down.
    void cancel() { m_cancelled.store(true); }
    bool isCancelled() const { return m_cancelled.load(); }

private:
    struct Request;
    TallowinCouchResponse perform(const Request &request) const;

    std::string m_databaseURL; // without credentials
    std::string m_serverURL; // the parent of the database path, for /_session
    std::string m_user;
    std::string m_password;
    std::atomic<bool> m_cancelled = false;
};

} // namespace tallowin
