#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/sync/TallowinRemoteChangeCenter.h"
#include "TallowinCore/sync/TallowinSyncTransport.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tallowin {

class TallowinCouchClient;
struct CouchDocument;

// The deck in a CouchDB database: the document "canonical-tallowin" of type "TallowinDocument" with the deck
// file as its attachment "markdown"; the document's revision is the change tag. Without a database address
// every operation fails as an unsigned build does, so the deck stays local. Failures are TallowinSyncError
// (or the codec's, for a cloud deck that does not decode); no message carries the credentials.
class TALLOWIN_CORE_EXPORT TallowinCloudTransport : public TallowinSyncTransport
{
public:
    static constexpr const char *recordName = "canonical-tallowin";
    static constexpr const char *recordType = "TallowinDocument";
    static constexpr const char *attachmentName = "markdown";

    // The database address, with the credentials, as sync is to use it now; nothing when sync is not set up. It
    // is asked for at the start of every run (accountID), so a changed setup is used from the next run on; it
    // may throw the error the run ends with.
    using AddressSource = std::function<std::optional<std::string>()>;

    // notifications receives TallowinRemoteChangeCenter::remoteChange once subscribe() listens; a center of
    // the transport's own is used when none is given.
    explicit TallowinCloudTransport(
        std::optional<std::string> databaseURL, std::shared_ptr<TallowinRemoteChangeCenter> notifications = nullptr);
    explicit TallowinCloudTransport(
        AddressSource address, std::shared_ptr<TallowinRemoteChangeCenter> notifications = nullptr);
    // Stops the change listener and waits for it.
    ~TallowinCloudTransport() override;
    TallowinCloudTransport(const TallowinCloudTransport &) = delete;
    TallowinCloudTransport &operator=(const TallowinCloudTransport &) = delete;

    // The signed-in user name with the server's origin, such as "anna at https://db.example:5984".
    std::string accountID() override;
    std::optional<TallowinRemoteSnapshot> fetch() override;
    void save(const TallowinDocument &document, const std::optional<std::string> &replacing) override;
    // Starts listening to the database's changes of the deck document; a second call keeps the running
    // listener. Throws when the database cannot be reached to find where to start.
    void subscribe() override;

    // Whether a stored document is a deck with its file attached, under a revision; anything else is not ours to
    // read.
    static bool holdsDeck(const CouchDocument &stored);

    const std::shared_ptr<TallowinRemoteChangeCenter> &notifications() const { return m_notifications; }
    bool isListening() const;

private:
    // The client for the current address; with refresh, the address is asked for again first.
    TallowinCouchClient &client(bool refresh);
    void listen(std::string since);
    bool isOwnRevision(const std::string &rev) const;
    std::optional<std::string> currentAddress() const;

    const AddressSource m_addressSource;
    const std::shared_ptr<TallowinRemoteChangeCenter> m_notifications;

    // Serialises the operations, as the cloud record is one shared thing.
    std::mutex m_operationMutex;
    std::unique_ptr<TallowinCouchClient> m_client;
    // The address the client was made for, which the listener follows.
    mutable std::mutex m_addressMutex;
    std::optional<std::string> m_address;

    // The revision last fetched or saved; the listener reads it to tell our own saves from other devices'.
    mutable std::mutex m_revisionMutex;
    std::optional<std::string> m_heldRevision;

    // The listener has a client of its own: cancelling it must not end the other operations.
    mutable std::mutex m_listenerMutex;
    std::condition_variable m_listenerWake;
    bool m_stopping = false;
    std::unique_ptr<TallowinCouchClient> m_listenerClient;
    std::string m_listenerAddress;
    std::thread m_listener;
};

} // namespace tallowin
