#pragma once

#include "TallowinCore/TallowinCoreExport.h"

namespace tallowin {

// What kind of write the application has in flight.
enum class TallowinSaveActivity { idle, taskChange, reviewOrder };

// Any write at all is running.
TALLOWIN_CORE_EXPORT bool isWriting(TallowinSaveActivity activity);
// Only a change to tasks shows the busy indicator; rewriting the review order happens quietly.
TALLOWIN_CORE_EXPORT bool showsBusyChrome(TallowinSaveActivity activity);

} // namespace tallowin
