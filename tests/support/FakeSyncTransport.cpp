#include "tests/support/FakeSyncTransport.h"

#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/merge/TallowinSyncError.h"

#include <utility>

namespace tallowin::test {

namespace {

TallowinDocument throughCodec(const TallowinDocument &document)
{
    return TaskMarkdownCodec::decode(TaskMarkdownCodec::encode(document));
}

} // namespace

std::string FakeSyncTransport::accountID()
{
    const std::lock_guard guard(m_mutex);
    if (m_signedOutMessage)
        throw TallowinSyncError::unavailable(*m_signedOutMessage);
    return m_accountID;
}

std::optional<TallowinRemoteSnapshot> FakeSyncTransport::fetch()
{
    std::optional<TallowinRemoteSnapshot> copy;
    std::function<void()> action;
    {
        const std::lock_guard guard(m_mutex);
        ++m_fetches;
        if (m_fetchFailure)
            std::rethrow_exception(std::exchange(m_fetchFailure, nullptr));
        copy = m_record;
        action = std::exchange(m_afterFetch, nullptr);
    }
    if (action)
        action();
    if (copy)
        copy->document = throughCodec(copy->document);
    return copy;
}

void FakeSyncTransport::save(const TallowinDocument &document, const std::optional<std::string> &replacing)
{
    const TallowinDocument stored = throughCodec(document);
    const std::lock_guard guard(m_mutex);
    if (m_saveFailure)
        std::rethrow_exception(std::exchange(m_saveFailure, nullptr));
    const std::optional<std::string> held = m_record ? std::optional(m_record->token) : std::nullopt;
    if (held != replacing)
        throw TallowinSyncError::changedRemotely();
    ++m_saves;
    m_record = TallowinRemoteSnapshot {stored, nextToken()};
    if (m_lostSaveAnswer)
        std::rethrow_exception(std::exchange(m_lostSaveAnswer, nullptr));
}

void FakeSyncTransport::subscribe()
{
    const std::lock_guard guard(m_mutex);
    if (m_subscribeFailure)
        std::rethrow_exception(std::exchange(m_subscribeFailure, nullptr));
    ++m_subscribes;
}

void FakeSyncTransport::setAccountID(std::string accountID)
{
    const std::lock_guard guard(m_mutex);
    m_accountID = std::move(accountID);
    m_signedOutMessage.reset();
}

void FakeSyncTransport::signOut(std::string message)
{
    const std::lock_guard guard(m_mutex);
    m_signedOutMessage = std::move(message);
}

void FakeSyncTransport::store(const TallowinDocument &document)
{
    const std::lock_guard guard(m_mutex);
    m_record = TallowinRemoteSnapshot {document, nextToken()};
}

void FakeSyncTransport::touch()
{
    const std::lock_guard guard(m_mutex);
    if (m_record)
        m_record->token = nextToken();
}

std::optional<TallowinRemoteSnapshot> FakeSyncTransport::record() const
{
    const std::lock_guard guard(m_mutex);
    return m_record;
}

void FakeSyncTransport::failNextFetch(std::exception_ptr error)
{
    const std::lock_guard guard(m_mutex);
    m_fetchFailure = std::move(error);
}

void FakeSyncTransport::failNextSave(std::exception_ptr error)
{
    const std::lock_guard guard(m_mutex);
    m_saveFailure = std::move(error);
}

void FakeSyncTransport::failNextSubscribe(std::exception_ptr error)
{
    const std::lock_guard guard(m_mutex);
    m_subscribeFailure = std::move(error);
}

void FakeSyncTransport::loseNextSaveAnswer(std::exception_ptr error)
{
    const std::lock_guard guard(m_mutex);
    m_lostSaveAnswer = std::move(error);
}

void FakeSyncTransport::afterNextFetch(std::function<void()> action)
{
    const std::lock_guard guard(m_mutex);
    m_afterFetch = std::move(action);
}

void FakeSyncTransport::clearSwitches()
{
    const std::lock_guard guard(m_mutex);
    m_fetchFailure = m_saveFailure = m_subscribeFailure = m_lostSaveAnswer = nullptr;
    m_afterFetch = nullptr;
}

int FakeSyncTransport::fetchCount() const
{
    const std::lock_guard guard(m_mutex);
    return m_fetches;
}

int FakeSyncTransport::saveCount() const
{
    const std::lock_guard guard(m_mutex);
    return m_saves;
}

int FakeSyncTransport::subscribeCount() const
{
    const std::lock_guard guard(m_mutex);
    return m_subscribes;
}

std::string FakeSyncTransport::nextToken()
{
    return "tag-" + std::to_string(++m_tokens);
}

} // namespace tallowin::test
