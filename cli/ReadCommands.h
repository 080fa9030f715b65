#pragma once

#include "cli/CliContext.h"

namespace tallowin::cli {

// Commands that only read the deck; none of them creates it.
int runCheck(const CliContext &context);
int runShow(const CliContext &context);
int runRender(const CliContext &context);
int runQueue(const CliContext &context);

} // namespace tallowin::cli
