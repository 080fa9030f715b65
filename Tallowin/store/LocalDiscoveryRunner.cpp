#include "Tallowin/store/LocalDiscoveryRunner.h"

#include "Tallowin/store/LocalDiscoveryError.h"
#include "TallowinCore/discovery/TallowinDiscoveryLink.h"

#include <stdexcept>

namespace tallowin {

LocalDiscoveryRunner::LocalDiscoveryRunner(std::shared_ptr<TallowinSerialExecutor> worker,
    std::shared_ptr<TallowinSerialExecutor> mainThread, LinkOpener openLink)
    : m_worker(std::move(worker))
    , m_mainThread(std::move(mainThread))
    , m_openLink(std::move(openLink))
{ }

void LocalDiscoveryRunner::openScan(const std::filesystem::path &deckFile, Completion done)
{
    m_worker->post([deckFile, done = std::move(done), mainThread = m_mainThread, openLink = m_openLink]() mutable {
        std::string link;
        std::exception_ptr failure;
        try {
            link = TallowinDiscoveryLink::codexLink(deckFile);
        } catch (const std::invalid_argument &) {
            failure = std::make_exception_ptr(LocalDiscoveryError::invalidLink());
        } catch (...) {
            failure = std::current_exception();
        }
        mainThread->post([link = std::move(link), failure, done = std::move(done), openLink = std::move(openLink)] {
            if (failure) {
                done(failure);
                return;
            }
            if (!openLink || !openLink(link)) {
                done(std::make_exception_ptr(LocalDiscoveryError::codexUnavailable()));
                return;
            }
            done(nullptr);
        });
    });
}

} // namespace tallowin
