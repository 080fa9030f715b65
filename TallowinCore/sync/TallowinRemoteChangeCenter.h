#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace tallowin {

// In-process notifications by name, such as the one the cloud listener posts when another device saved.
// Observers run on the posting thread; safe to use from any thread.
class TALLOWIN_CORE_EXPORT TallowinRemoteChangeCenter
{
public:
    static constexpr const char *remoteChange = "TallowinRemoteChange";
    static constexpr const char *accountChange = "TallowinAccountChange";

    using Observer = std::function<void()>;

    TallowinRemoteChangeCenter();
    ~TallowinRemoteChangeCenter();
    TallowinRemoteChangeCenter(const TallowinRemoteChangeCenter &) = delete;
    TallowinRemoteChangeCenter &operator=(const TallowinRemoteChangeCenter &) = delete;

    // The observer is called for every post of name until the returned handle is released.
    std::shared_ptr<void> observe(const std::string &name, Observer observer);
    void post(const std::string &name);

private:
    struct Registry;
    std::shared_ptr<Registry> m_registry;
};

} // namespace tallowin
