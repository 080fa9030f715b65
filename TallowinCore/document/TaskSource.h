#pragma once

#include <optional>
#include <string>

namespace tallowin {

// A link from a card or candidate to where it came from. Identified by its url.
struct TaskSource
{
    std::string label;
    std::string url;
    std::optional<std::string> sourceKey;
    std::optional<std::string> resolvedAt;
    std::optional<std::string> resolvedItemKey;

    const std::string &id() const { return url; }
    friend bool operator==(const TaskSource &, const TaskSource &) = default;
};

} // namespace tallowin
