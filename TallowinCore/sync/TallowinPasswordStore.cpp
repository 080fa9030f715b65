#include "TallowinCore/sync/TallowinPasswordStore.h"

namespace tallowin {

TallowinPasswordStore::~TallowinPasswordStore() = default;

} // namespace tallowin
