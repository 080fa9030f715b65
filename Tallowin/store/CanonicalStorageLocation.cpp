#include "Tallowin/CanonicalStorageLocation.h"

#include "TallowinCore/TallowinFileLocation.h"
#include "TallowinCore/TallowinPrivateStorage.h"

namespace tallowin {

std::filesystem::path CanonicalStorageLocation::defaultDeckFile()
{
    const std::filesystem::path deck = TallowinFileLocation::defaultDeckPath();
    TallowinPrivateStorage::protectDirectory(deck.parent_path());
    return deck;
}

} // namespace tallowin
