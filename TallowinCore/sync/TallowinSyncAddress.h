#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <optional>
#include <string>
#include <string_view>

namespace tallowin {

// Whose password it is: a user of one database, named by the database's address without credentials. The
// Secret Service keeps the password under these two.
struct TALLOWIN_CORE_EXPORT TallowinSyncAccount
{
    std::string databaseURL;
    std::string user;

    // "anna at https://db.example:5984/tallowin"
    std::string description() const { return user + " at " + databaseURL; }

    friend bool operator==(const TallowinSyncAccount &, const TallowinSyncAccount &) = default;
};

// The address of the cloud database, taken apart: http or https, a host, a database path, and optionally a user
// name and a password ("https://anna:pw@db.example:5984/tallowin"). Query and fragment are dropped.
struct TALLOWIN_CORE_EXPORT TallowinSyncAddress
{
    // Throws TallowinCouchError::invalidURL, whose sentence does not repeat the text (it may hold a password).
    static TallowinSyncAddress parse(std::string_view text);

    // Without credentials and without a trailing slash.
    std::string databaseURL;
    // The database's parent, without credentials: where /_session is.
    std::string serverURL;
    std::string user;
    std::optional<std::string> password;

    TallowinSyncAccount account() const { return {databaseURL, user}; }
    // The address with the user name but never the password, as the configuration file keeps it.
    std::string withoutPassword() const;
    // The address with the user name and the password, as an owner-only file of the user's choosing keeps it.
    std::string withPassword() const;

    friend bool operator==(const TallowinSyncAddress &, const TallowinSyncAddress &) = default;
};

} // namespace tallowin
