#include "TallowinCore/sync/TallowinCloudTransport.h"

#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/sync/TallowinCouchClient.h"
#include "TallowinCore/sync/TallowinCouchError.h"

#include <chrono>
#include <map>
#include <simdjson.h>

namespace tallowin {

namespace {

constexpr const char *notSignedMessage = "This local build is not signed for iCloud. Tasks are saved on this Mac.";
constexpr const char *noAccountMessage
    = "Sign into iCloud in system settings to sync. Your tasks stay saved on this device.";
constexpr const char *unreadableMessage = "The iCloud deck could not be read. Your local tasks have not changed.";
constexpr const char *unconfirmedMessage = "iCloud did not confirm the save. Sync again; your local tasks are safe.";

// Long enough to keep the server quiet, short enough that a proxy does not drop the idle request.
constexpr std::chrono::milliseconds changesTimeout {30000};
// After a failed wait the server may be restarting; asking again at once would only spin.
constexpr std::chrono::milliseconds listenerRetryDelay {5000};

// The client's sentences already name the database without credentials, so they are shown as they are.
[[noreturn]] void rethrowAsSyncError(const TallowinCouchError &error)
{
    throw TallowinSyncError::unavailable(error.what());
}

// scheme://host[:port] of an address without credentials.
std::string originOf(const std::string &url)
{
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos)
        return url;
    const auto pathStart = url.find('/', schemeEnd + 3);
    return pathStart == std::string::npos ? url : url.substr(0, pathStart);
}

} // namespace

bool TallowinCloudTransport::holdsDeck(const CouchDocument &stored)
{
    if (stored.rev.empty())
        return false;
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    if (parser.parse(simdjson::padded_string(stored.json)).get(root) != simdjson::SUCCESS)
        return false;
    std::string_view type;
    if (root["type"].get(type) != simdjson::SUCCESS || type != recordType)
        return false;
    simdjson::dom::element attachment;
    return root["_attachments"][attachmentName].get(attachment) == simdjson::SUCCESS;
}

TallowinCloudTransport::TallowinCloudTransport(
    std::optional<std::string> databaseURL, std::shared_ptr<TallowinRemoteChangeCenter> notifications)
    : TallowinCloudTransport(
        AddressSource([databaseURL = std::move(databaseURL)] { return databaseURL; }), std::move(notifications))
{ }

TallowinCloudTransport::TallowinCloudTransport(
    AddressSource address, std::shared_ptr<TallowinRemoteChangeCenter> notifications)
    : m_addressSource(std::move(address))
    , m_notifications(notifications ? std::move(notifications) : std::make_shared<TallowinRemoteChangeCenter>())
{ }

TallowinCloudTransport::~TallowinCloudTransport()
{
    {
        std::lock_guard lock(m_listenerMutex);
        m_stopping = true;
        if (m_listenerClient)
            m_listenerClient->cancel();
    }
    m_listenerWake.notify_all();
    if (m_listener.joinable())
        m_listener.join();
}

TallowinCouchClient &TallowinCloudTransport::client(bool refresh)
{
    if (refresh || !m_client) {
        std::optional<std::string> address = m_addressSource();
        if (!address) {
            m_client.reset();
            throw TallowinSyncError::unavailable(notSignedMessage);
        }
        if (!m_client || address != currentAddress()) {
            try {
                m_client = std::make_unique<TallowinCouchClient>(*address);
            } catch (const TallowinCouchError &error) {
                m_client.reset();
                rethrowAsSyncError(error);
            }
            std::lock_guard lock(m_addressMutex);
            m_address = std::move(address);
        }
    }
    return *m_client;
}

std::optional<std::string> TallowinCloudTransport::currentAddress() const
{
    std::lock_guard lock(m_addressMutex);
    return m_address;
}

std::string TallowinCloudTransport::accountID()
{
    std::lock_guard lock(m_operationMutex);
    // Every run starts here: the place to pick up a setup changed since the last one.
    TallowinCouchClient &couch = client(true);
    try {
        return couch.session() + " at " + originOf(couch.serverURL());
    } catch (const TallowinCouchError &error) {
        if (error.kind() == TallowinCouchError::Kind::unauthorized)
            throw TallowinSyncError::unavailable(noAccountMessage);
        rethrowAsSyncError(error);
    }
}

std::optional<TallowinRemoteSnapshot> TallowinCloudTransport::fetch()
{
    std::lock_guard lock(m_operationMutex);
    TallowinCouchClient &couch = client(false);
    std::string text;
    std::string rev;
    try {
        const std::optional<CouchDocument> stored = couch.getDocument(recordName);
        if (!stored) {
            std::lock_guard revisionLock(m_revisionMutex);
            m_heldRevision.reset();
            return std::nullopt;
        }
        if (!holdsDeck(*stored))
            throw TallowinSyncError::unavailable(unreadableMessage);
        rev = stored->rev;
        text = couch.getAttachment(recordName, attachmentName, rev);
    } catch (const TallowinCouchError &error) {
        // The revision just read went away meanwhile (deleted or replaced): as for a missing record, the
        // next save finds out which by creating, which the server refuses if a newer copy exists.
        if (error.kind() == TallowinCouchError::Kind::notFound) {
            std::lock_guard revisionLock(m_revisionMutex);
            m_heldRevision.reset();
            return std::nullopt;
        }
        rethrowAsSyncError(error);
    }
    TallowinRemoteSnapshot snapshot {TaskMarkdownCodec::decode(text), rev};
    std::lock_guard revisionLock(m_revisionMutex);
    m_heldRevision = rev;
    return snapshot;
}

void TallowinCloudTransport::save(const TallowinDocument &document, const std::optional<std::string> &replacing)
{
    std::lock_guard lock(m_operationMutex);
    TallowinCouchClient &couch = client(false);
    std::optional<std::string> held;
    {
        std::lock_guard revisionLock(m_revisionMutex);
        held = m_heldRevision;
    }
    // A caller whose view of the cloud copy is older than ours would overwrite what it never merged.
    if (held != replacing)
        throw TallowinSyncError::changedRemotely();

    const std::string text = TaskMarkdownCodec::encode(document);
    CouchSaveResult result;
    try {
        result = couch.putDocumentWithInlineAttachment(
            recordName, held, {{"type", recordType}}, attachmentName, "text/markdown", text);
    } catch (const TallowinCouchError &error) {
        rethrowAsSyncError(error);
    }
    std::lock_guard revisionLock(m_revisionMutex);
    if (result.outcome == CouchSaveResult::Outcome::changedRemotely) {
        m_heldRevision.reset();
        throw TallowinSyncError::changedRemotely();
    }
    if (result.rev.empty())
        throw TallowinSyncError::unavailable(unconfirmedMessage);
    m_heldRevision = result.rev;
}

void TallowinCloudTransport::subscribe()
{
    std::lock_guard lock(m_operationMutex);
    client(false);
    const std::string address = *currentAddress();
    std::lock_guard listenerLock(m_listenerMutex);
    if (m_listener.joinable())
        return;
    std::string since;
    try {
        m_listenerClient = std::make_unique<TallowinCouchClient>(address);
        m_listenerAddress = address;
        // Starting from the current sequence, not "now", leaves no gap between this call and the first wait.
        since = m_listenerClient->lastSequence();
    } catch (const TallowinCouchError &error) {
        m_listenerClient.reset();
        rethrowAsSyncError(error);
    }
    m_listener = std::thread([this, since] { listen(since); });
}

bool TallowinCloudTransport::isListening() const
{
    std::lock_guard lock(m_listenerMutex);
    return m_listener.joinable() && !m_stopping;
}

bool TallowinCloudTransport::isOwnRevision(const std::string &rev) const
{
    std::lock_guard lock(m_revisionMutex);
    return m_heldRevision == rev;
}

void TallowinCloudTransport::listen(std::string since)
{
    TallowinCouchClient *couch = m_listenerClient.get();
    while (!couch->isCancelled()) {
        try {
            // A run that signed in anew (another password, another database) takes the listener along.
            if (const std::optional<std::string> address = currentAddress(); address && *address != m_listenerAddress) {
                auto renewed = std::make_unique<TallowinCouchClient>(*address);
                const std::string start = renewed->lastSequence();
                std::lock_guard lock(m_listenerMutex);
                if (m_stopping)
                    return;
                m_listenerClient = std::move(renewed);
                m_listenerAddress = *address;
                couch = m_listenerClient.get();
                since = start;
            }
            const CouchChanges changes = couch->waitForChanges(recordName, since, changesTimeout);
            if (changes.outcome == CouchChanges::Outcome::cancelled)
                return;
            if (changes.outcome == CouchChanges::Outcome::timedOut)
                continue;
            since = changes.since;
            // Our own saves come back through the feed too; syncing again for them would change nothing.
            const std::optional<CouchDocument> stored = couch->getDocument(recordName);
            if (stored && isOwnRevision(stored->rev))
                continue;
            m_notifications->post(TallowinRemoteChangeCenter::remoteChange);
        } catch (const std::exception &) {
            if (couch->isCancelled())
                return;
            std::unique_lock lock(m_listenerMutex);
            if (m_listenerWake.wait_for(lock, listenerRetryDelay, [this] { return m_stopping; }))
                return;
        }
    }
}

} // namespace tallowin
