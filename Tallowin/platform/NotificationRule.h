#pragma once

#include "Tallowin/platform/DesktopNotification.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <optional>

namespace tallowin {

// When a deck published by the store is worth a notification: a sync that brought cards from another device, or a
// load that found new suggestions in the inbox (a scan writes them into the file). The user's own changes never
// are, nor is anything while Tallowin's window is active, where the user sees it happen.
struct NotificationRule
{
    // How the deck reached the store.
    enum class Arrival { ownChange, load, sync };

    struct Event
    {
        Arrival arrival = Arrival::ownChange;
        // The deck shown before; nothing when none had loaded yet.
        const TallowinDocument *before = nullptr;
        const TallowinDocument *after = nullptr;
        bool applicationActive = false;
    };

    static std::optional<DesktopNotification> decide(const Event &event);
};

} // namespace tallowin
