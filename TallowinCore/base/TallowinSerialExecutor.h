#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <functional>

namespace tallowin {

// Runs work on one thread, in the order posted. post() may be called from any thread and never runs the work
// inside the call.
class TALLOWIN_CORE_EXPORT TallowinSerialExecutor
{
public:
    virtual ~TallowinSerialExecutor() = default;
    virtual void post(std::function<void()> work) = 0;
};

} // namespace tallowin
