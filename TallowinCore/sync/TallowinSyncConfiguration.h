#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinEnvironment.h"
#include "TallowinCore/sync/TallowinPasswordStore.h"
#include "TallowinCore/sync/TallowinSyncAddress.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tallowin {

// Where the cloud database is: TALLOWIN_SYNC_URL, else the first line of $XDG_CONFIG_HOME/Tallowin/sync-url
// (~/.config when XDG_CONFIG_HOME is not an absolute path). The address names the user; its password is in the
// Secret Service, or, as before there was one, in the address itself. Such an address may be in the file, so the
// file must be the user's own regular file that nobody else can read.
struct TALLOWIN_CORE_EXPORT TallowinSyncConfiguration
{
    static constexpr const char *variable = "TALLOWIN_SYNC_URL";

    static std::filesystem::path configurationFile(const Environment &environment = &processEnvironment);
    // Whether TALLOWIN_SYNC_URL gives the address, which then comes before the file.
    static bool isFromVariable(const Environment &environment = &processEnvironment);
    // Nothing when neither the variable nor the file gives an address. Throws TallowinFileError naming the
    // file when it is a symbolic link, another user's, readable by others or unreadable.
    static std::optional<std::string> databaseURL(const Environment &environment = &processEnvironment);
    // The same address taken apart; also throws TallowinCouchError::invalidURL for one that is not an address.
    static std::optional<TallowinSyncAddress> address(const Environment &environment = &processEnvironment);
    // Makes text the file's only line: owner-only, replaced atomically, in a private folder created when missing.
    static void writeDatabaseURL(const std::string &text, const Environment &environment = &processEnvironment);

    // The address sync signs in with, password included: the address's own password when it carries one, else
    // the one stored for its user. Nothing when no address is configured. Throws TallowinSyncError when no
    // password is stored, and the store's errors.
    static std::optional<TallowinSyncAddress> login(TallowinPasswordStore *passwords,
        TallowinPasswordStore::Unlocking unlocking, const Environment &environment = &processEnvironment);
    // The sentence for an account whose password is nowhere.
    static std::string missingPasswordMessage(const TallowinSyncAccount &account);
};

} // namespace tallowin
