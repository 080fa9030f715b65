#pragma once

#include "Tallowin/presentation/MergeSelection.h"

#include <optional>
#include <string>
#include <string_view>

namespace tallowin {

// The two sides of the merge sheet a card can be dragged between.
enum class MergeArea { available, bucket };

// A card being dragged in the merge sheet, as the drag carries it, and what dropping it does.
struct MergeCardDrag
{
    static constexpr const char *mimeType = "application/x-tallowin-merge-card";

    MergeArea from = MergeArea::available;
    std::string taskID;

    // The drag's payload: the area it left and the card's ID.
    std::string encoded() const;
    // Nothing for a payload this sheet did not write.
    static std::optional<MergeCardDrag> decoded(std::string_view payload);

    // Whether the area takes the card: an available card into the bucket, an added card back out of it. The
    // current card stays in the bucket, and a card dropped where it came from changes nothing.
    bool isAcceptedBy(MergeArea onto, const MergeSelection &selection) const;
    // Moves the card; false when the area does not take it.
    bool dropOnto(MergeArea onto, MergeSelection &selection) const;

    friend bool operator==(const MergeCardDrag &, const MergeCardDrag &) = default;
};

} // namespace tallowin
