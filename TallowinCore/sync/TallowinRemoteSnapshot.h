#pragma once

#include "TallowinCore/document/TallowinDocument.h"

#include <string>

namespace tallowin {

// The deck as the cloud holds it, with the change tag of that stored copy. The tag is opaque here and handed
// back unchanged when saving over the copy.
struct TallowinRemoteSnapshot
{
    TallowinDocument document;
    std::string token;

    friend bool operator==(const TallowinRemoteSnapshot &, const TallowinRemoteSnapshot &) = default;
};

} // namespace tallowin
