#pragma once

#include "TallowinCore/document/TallowinDocument.h"

#include <string>

namespace tallowin::cli {

// Finds the one card or candidate an argument names: its exact ID, else the only ID it starts,
// compared without regard to case. Throws the not-found error when none fits, and TallowinError listing
// the matches when several do.
std::string resolveCardID(const TallowinDocument &document, const std::string &argument);
std::string resolveCandidateID(const TallowinDocument &document, const std::string &argument);

} // namespace tallowin::cli
