#include "Tallowin/presentation/MergeCardDrag.h"

namespace tallowin {

namespace {

constexpr std::string_view availableTag = "available";
constexpr std::string_view bucketTag = "bucket";

} // namespace

std::string MergeCardDrag::encoded() const
{
    std::string payload(from == MergeArea::available ? availableTag : bucketTag);
    payload += '\n';
    payload += taskID;
    return payload;
}

std::optional<MergeCardDrag> MergeCardDrag::decoded(std::string_view payload)
{
    const std::size_t newline = payload.find('\n');
    if (newline == std::string_view::npos || newline + 1 == payload.size())
        return std::nullopt;
    const std::string_view tag = payload.substr(0, newline);
    MergeCardDrag drag;
    if (tag == availableTag)
        drag.from = MergeArea::available;
    else if (tag == bucketTag)
        drag.from = MergeArea::bucket;
    else
        return std::nullopt;
    drag.taskID = std::string(payload.substr(newline + 1));
    return drag;
}

bool MergeCardDrag::isAcceptedBy(MergeArea onto, const MergeSelection &selection) const
{
    if (from == onto)
        return false;
    if (onto == MergeArea::bucket)
        return !selection.contains(taskID);
    return selection.contains(taskID) && taskID != selection.primaryID();
}

bool MergeCardDrag::dropOnto(MergeArea onto, MergeSelection &selection) const
{
    if (!isAcceptedBy(onto, selection))
        return false;
    return onto == MergeArea::bucket ? selection.add(taskID) : selection.remove(taskID);
}

} // namespace tallowin
