#pragma once

#include "TallowinCore/base/TallowinSerialExecutor.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace tallowin {

// Hands a prepared discovery scan to Codex by opening its link. The link is built on the worker; the link is
// opened on the main thread, as the desktop requires.
class LocalDiscoveryRunner
{
public:
    // Opens a link with the application registered for its scheme; false when there is none.
    using LinkOpener = std::function<bool(const std::string &link)>;
    using Completion = std::function<void(std::exception_ptr failure)>;

    LocalDiscoveryRunner(std::shared_ptr<TallowinSerialExecutor> worker,
        std::shared_ptr<TallowinSerialExecutor> mainThread, LinkOpener openLink);

    // Calls done on the main thread with nothing on success, else with the prompt's error, LocalDiscoveryError's
    // invalidLink when no link could be formed, or codexUnavailable when nothing opened it.
    void openScan(const std::filesystem::path &deckFile, Completion done);

private:
    std::shared_ptr<TallowinSerialExecutor> m_worker;
    std::shared_ptr<TallowinSerialExecutor> m_mainThread;
    LinkOpener m_openLink;
};

} // namespace tallowin
