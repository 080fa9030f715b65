#pragma once

#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "tests/support/WorkflowChecks.h"

#include <map>
#include <string>
#include <string_view>

namespace tallowin::test {

// The document's JSON with every random UUID in it replaced by its number in order of first appearance, so two
// results of the same operation (one made on a copy, one in place) compare equal when they differ only in the
// identifiers drawn for them, wherever those were copied to (a run ID, a card ID, a note that names a card).
inline std::string withRandomIDsNumbered(const TallowinDocument &document)
{
    const std::string json = TallowinDocumentJson::encode(document, JsonLayout::compact, JsonSlashes::plain);
    constexpr std::size_t uuidSize = 36;
    std::map<std::string, std::size_t, std::less<>> numbers;
    std::string result;
    std::size_t position = 0;
    while (position < json.size()) {
        const std::string_view rest = std::string_view(json).substr(position, uuidSize);
        if (rest.size() == uuidSize && isLowercaseUUID(rest)) {
            const auto entry = numbers.try_emplace(std::string(rest), numbers.size() + 1).first;
            result += "<uuid " + std::to_string(entry->second) + ">";
            position += uuidSize;
        } else {
            result += json[position++];
        }
    }
    return result;
}

} // namespace tallowin::test
