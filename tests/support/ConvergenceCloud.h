#pragma once

#include "TallowinCore/sync/TallowinRemoteSnapshot.h"
#include "TallowinCore/sync/TallowinSyncTransport.h"

#include <functional>
#include <memory>
#include <optional>

namespace tallowin::test {

// The cloud the devices of a SyncConvergenceRun meet in, with the faults the run injects. An in-memory fake
// and a real server both stand behind it, so that both face the same run and the same checks.
class ConvergenceCloud
{
public:
    virtual ~ConvergenceCloud() = default;

    // A transport of its own for one more device.
    virtual std::shared_ptr<TallowinSyncTransport> connect() = 0;

    // The cloud cannot be reached from now until restore().
    virtual void goAway() = 0;
    // The cloud goes away once the next fetch has returned, so that run fails when it saves.
    virtual void goAwayAfterNextFetch() = 0;
    // The next save is carried out, but the device hears only a failure.
    virtual void loseNextSaveAnswer() = 0;
    // Runs the action once, right after the next fetch of any device has returned.
    virtual void afterNextFetch(std::function<void()> action) = 0;
    // Another writer stores the cloud deck again, so that its change tag moves on.
    virtual void rewriteRecord() = 0;
    // Disarms whatever the last run left unused and brings the cloud back.
    virtual void restore() = 0;

    // The deck and change tag stored now, read around the devices' transports; nothing before the first save.
    virtual std::optional<TallowinRemoteSnapshot> record() = 0;
};

} // namespace tallowin::test
