#include "Tallowin/store/TallowinReloadGate.h"

namespace tallowin {

bool TallowinReloadGate::request(bool whileSaving)
{
    isPending = true;
    if (whileSaving || isLoading)
        return false;
    isLoading = true;
    isPending = false;
    return true;
}

bool TallowinReloadGate::beginIfReady(bool whileSaving)
{
    if (!isPending || whileSaving || isLoading)
        return false;
    isLoading = true;
    isPending = false;
    return true;
}

void TallowinReloadGate::finish()
{
    isLoading = false;
}

} // namespace tallowin
