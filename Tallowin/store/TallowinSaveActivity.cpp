#include "Tallowin/store/TallowinSaveActivity.h"

namespace tallowin {

bool isWriting(TallowinSaveActivity activity)
{
    return activity != TallowinSaveActivity::idle;
}

bool showsBusyChrome(TallowinSaveActivity activity)
{
    return activity == TallowinSaveActivity::taskChange;
}

} // namespace tallowin
