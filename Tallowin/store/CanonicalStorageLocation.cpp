#include "Tallowin/store/CanonicalStorageLocation.h"

#include "TallowinCore/io/TallowinFileLocation.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"

namespace tallowin {

std::filesystem::path CanonicalStorageLocation::defaultDeckFile()
{
    const std::filesystem::path deck = TallowinFileLocation::defaultDeckPath();
    TallowinPrivateStorage::protectDirectory(deck.parent_path());
    return deck;
}

} // namespace tallowin
