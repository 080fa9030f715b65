#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/base/TallowinEnvironment.h"
#include "TallowinCore/sync/TallowinPasswordStore.h"
#include "TallowinCore/sync/TallowinSyncAddress.h"

#include <string>

namespace tallowin {

// Setting up sync, as tallowin-cli sync-setup and the settings screen both do it: the user name and password are
// checked against the server, the password goes into the Secret Service and the address without it into the
// configuration file. Each operation returns the sentence that tells the user what it did, and throws the error
// they should read (the server's TallowinCouchError, the store's, a TallowinFileError for the file); nothing is
// kept when the check fails. The calls talk to the server and may wait for an unlock prompt: keep them off a
// user interface's thread.
struct TALLOWIN_CORE_EXPORT TallowinSyncSetup
{
    enum class Keeping {
        // The password in the Secret Service, the address without it in the file.
        secretService,
        // The address with the password in the owner-only file, for machines without a Secret Service.
        plainFile,
    };

    // Signs in with the address's user and password (GET /_session); returns the sentence that says it worked.
    static std::string check(const TallowinSyncAddress &address);
    // check, then keeps the address and the password as asked.
    static std::string setUp(const TallowinSyncAddress &address, Keeping keeping, TallowinPasswordStore &passwords,
        const Environment &environment = &processEnvironment);
    // Moves the password of a configured address that carries one into the Secret Service, and leaves the address
    // without it in the file. Not checked against the server: it is the password sync has been using.
    static std::string movePasswordIntoStore(
        TallowinPasswordStore &passwords, const Environment &environment = &processEnvironment);
    // Removes the configured account's password from the Secret Service and from the file; the address stays.
    static std::string forget(TallowinPasswordStore &passwords, const Environment &environment = &processEnvironment);
};

} // namespace tallowin
