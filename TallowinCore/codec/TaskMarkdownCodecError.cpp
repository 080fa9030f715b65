#include "TallowinCore/codec/TaskMarkdownCodecError.h"

#include <string>

namespace tallowin {

TaskMarkdownCodecError::TaskMarkdownCodecError(Kind kind, std::int64_t version, const std::string &message)
    : TallowinError(message)
    , m_kind(kind)
    , m_version(version)
{ }

TaskMarkdownCodecError TaskMarkdownCodecError::invalidVersion(std::int64_t version)
{
    return {Kind::invalidVersion, version, "Tallowin data version " + std::to_string(version) + " is not supported."};
}

TaskMarkdownCodecError TaskMarkdownCodecError::missingDataBlock()
{
    return {Kind::missingDataBlock, 0, "Tallowin data markers are missing from the Markdown file."};
}

} // namespace tallowin
