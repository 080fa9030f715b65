#pragma once

#include "TallowinCore/sync/TallowinSyncTransport.h"

#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace tallowin::test {

// An in-memory cloud: one record whose change tag changes on every save, an account, and switches that make
// the next call fail or let "another device" act between this device's fetch and save. The deck goes through
// the Markdown codec on the way in and out, as it does on a real server.
class FakeSyncTransport : public TallowinSyncTransport
{
public:
    std::string accountID() override;
    std::optional<TallowinRemoteSnapshot> fetch() override;
    void save(const TallowinDocument &document, const std::optional<std::string> &replacing) override;
    void subscribe() override;

    void setAccountID(std::string accountID);
    // Signs out: accountID() throws TallowinSyncError::unavailable with this message.
    void signOut(std::string message);
    // The record as stored, with a fresh change tag; nothing removes the record.
    void store(const TallowinDocument &document);
    // Gives the stored copy a new change tag without changing the deck, as another device's save would.
    void touch();
    std::optional<TallowinRemoteSnapshot> record() const;

    // The next call of that operation throws the error instead of doing anything.
    void failNextFetch(std::exception_ptr error);
    void failNextSave(std::exception_ptr error);
    void failNextSubscribe(std::exception_ptr error);
    // The next save stores the deck, then throws the error, as when the answer to a save the server carried
    // out is lost on the way back.
    void loseNextSaveAnswer(std::exception_ptr error);
    // Runs once, right after the next fetch has taken its copy (outside the fake's lock), for example to
    // change the record or the local deck before this device saves.
    void afterNextFetch(std::function<void()> action);
    // Disarms every switch above that a run left unused.
    void clearSwitches();

    int fetchCount() const;
    int saveCount() const;
    int subscribeCount() const;

private:
    std::string nextToken();

    mutable std::mutex m_mutex;
    std::string m_accountID = "account-1";
    std::optional<std::string> m_signedOutMessage;
    std::optional<TallowinRemoteSnapshot> m_record;
    std::exception_ptr m_fetchFailure;
    std::exception_ptr m_saveFailure;
    std::exception_ptr m_subscribeFailure;
    std::exception_ptr m_lostSaveAnswer;
    std::function<void()> m_afterFetch;
    int m_tokens = 0;
    int m_fetches = 0;
    int m_saves = 0;
    int m_subscribes = 0;
};

} // namespace tallowin::test
