#pragma once

#include "TallowinCore/sync/TallowinSyncTransport.h"

#include <functional>
#include <memory>
#include <mutex>

namespace tallowin::test {

// Passes every call on to another transport, and runs a test's one-shot actions where a real cloud can change
// under a sync: right after a fetch returned and right before a save is sent. Several transports may share
// one set of actions; whichever reaches the point first takes the action, so an action that syncs another
// device through its own transport does not set itself off again.
class InterceptingSyncTransport : public TallowinSyncTransport
{
public:
    class Actions
    {
    public:
        void afterNextFetch(std::function<void()> action);
        void beforeNextSave(std::function<void()> action);
        // Disarms what a run left unused.
        void clear();

    private:
        friend class InterceptingSyncTransport;
        std::function<void()> take(std::function<void()> &slot);

        std::mutex m_mutex;
        std::function<void()> m_afterFetch;
        std::function<void()> m_beforeSave;
    };

    explicit InterceptingSyncTransport(
        std::shared_ptr<TallowinSyncTransport> inner, std::shared_ptr<Actions> actions = std::make_shared<Actions>());

    std::string accountID() override;
    std::optional<TallowinRemoteSnapshot> fetch() override;
    void save(const TallowinDocument &document, const std::optional<std::string> &replacing) override;
    void subscribe() override;

    Actions &actions() const { return *m_actions; }

private:
    const std::shared_ptr<TallowinSyncTransport> m_inner;
    const std::shared_ptr<Actions> m_actions;
};

} // namespace tallowin::test
