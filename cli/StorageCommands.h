#pragma once

#include "cli/CliContext.h"

#include <string>
#include <vector>

namespace tallowin::cli {

// Creates the deck from the empty seed when missing, then prints what check prints.
int runInit(const CliContext &context);
// Merges other deck files into the deck and prints the summary and one line per file.
int runImport(const CliContext &context, const std::vector<std::string> &files);
// Creates Tallowin.toml beside the deck when missing and prints its settings.
int runSettings(const CliContext &context);

} // namespace tallowin::cli
