#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallowin {

// Which source links a card may open. Cards can be written by an outside agent, so a link is opened only when it
// is a plain web address; anything else (file:, javascript:, a custom scheme) would hand the desktop a command.
struct SourceLink
{
    static constexpr std::string_view notAWebLink
        = "Tallowin opens only web links that start with http:// or https://, so it did not open this source.";
    static constexpr std::string_view noBrowser = "No web browser is set up to open this source link.";

    // The sentence to show instead of opening the link, or nothing when it may be opened.
    static std::optional<std::string> refusal(std::string_view link);
};

} // namespace tallowin
