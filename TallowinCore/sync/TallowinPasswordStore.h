#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/sync/TallowinSyncAddress.h"

#include <optional>
#include <string>

namespace tallowin {

// Where the sync password lives outside the configuration file: the desktop's Secret Service, or a stand-in in
// tests. Calls may wait for the user to answer an unlock prompt, so they belong off the user interface's thread.
class TALLOWIN_CORE_EXPORT TallowinPasswordStore
{
public:
    // Whether a locked keyring may be unlocked by asking the user. Syncs that start by themselves do not ask:
    // a prompt that appears after every saved change would be worse than the message that says it is locked.
    enum class Unlocking { ask, never };

    virtual ~TallowinPasswordStore();

    // The stored password, or nothing when none is stored for the account.
    virtual std::optional<std::string> lookup(const TallowinSyncAccount &account, Unlocking unlocking) = 0;
    // Stores the password, replacing one stored before for the account; returns where it went, as the words
    // that follow "Stored the password … in" ("the Secret Service (keyring “Login”)").
    virtual std::string store(const TallowinSyncAccount &account, const std::string &password) = 0;
    // Whether there was a password to remove.
    virtual bool forget(const TallowinSyncAccount &account) = 0;
};

} // namespace tallowin
