#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <functional>
#include <memory>

namespace tallowin {

// Reports whether the network is reachable. The handler may be called on any thread, once per change
// and possibly with the current state right after subscribing.
class TALLOWIN_CORE_EXPORT TallowinConnectivityWatcher
{
public:
    using Handler = std::function<void(bool online)>;

    virtual ~TallowinConnectivityWatcher() = default;
    // The handler is called until the returned handle is released.
    virtual std::shared_ptr<void> subscribe(Handler handler) = 0;
};

} // namespace tallowin
