#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/discovery/TallowinDiscoveryRequest.h"

#include "tests/support/DiscoveryPromptText.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>
#include <simdjson.h>

#include <string>

namespace tallowin {
namespace {

const std::string &instructionBlock = test::discoveryInstructionBlock;

// The routing data read back by an independent JSON parser: the members of the object after the block.
std::vector<std::pair<std::string, std::string>> routingMembers(const std::string &prompt)
{
    simdjson::dom::parser parser;
    const simdjson::padded_string json(prompt.substr(instructionBlock.size()));
    std::vector<std::pair<std::string, std::string>> members;
    simdjson::dom::object object;
    if (parser.parse(json).get_object().get(object) != simdjson::SUCCESS)
        return members;
    for (const auto field : object) {
        std::string_view value;
        if (field.value.get_string().get(value) != simdjson::SUCCESS)
            value = "(not a string)";
        members.emplace_back(std::string(field.key), std::string(value));
    }
    return members;
}

TEST(TallowinDiscoveryRequest, InstructionBlockIsSixFixedLines)
{
    EXPECT_EQ(TallowinDiscoveryRequest::instructions(), instructionBlock);
    EXPECT_EQ(TallowinDiscoveryRequest::instructions().size(), 553u);
    EXPECT_EQ(std::count(instructionBlock.begin(), instructionBlock.end(), '\n'), 6);
}

TEST(TallowinDiscoveryRequest, RoutingDataIsCompactJsonWithEscapedSlashes)
{
    const std::string prompt = TallowinDiscoveryRequest::prompt("/home/ada/.local/share/Tallowin/Tallowin.md");
    EXPECT_EQ(prompt, instructionBlock + R"({"expectedFilePath":"\/home\/ada\/.local\/share\/Tallowin\/Tallowin.md"})");
    EXPECT_EQ(prompt.back(), '}') << "no line feed after the JSON";
    const std::vector<std::pair<std::string, std::string>> expected
        = {{"expectedFilePath", "/home/ada/.local/share/Tallowin/Tallowin.md"}};
    EXPECT_EQ(routingMembers(prompt), expected) << "one member only: no mode, revision or settings";
}

TEST(TallowinDiscoveryRequest, QuotesAndBackslashesAreEscapedWhileSpacesAndLettersStay)
{
    std::string prompt = TallowinDiscoveryRequest::prompt(R"(/tmp/a "b"\c/Tallowin.md)");
    EXPECT_EQ(prompt, instructionBlock + R"({"expectedFilePath":"\/tmp\/a \"b\"\\c\/Tallowin.md"})");
    EXPECT_EQ(routingMembers(prompt).at(0).second, R"(/tmp/a "b"\c/Tallowin.md)");

    prompt = TallowinDiscoveryRequest::prompt("/home/zoë/Meine Karten/日本/Tallowin.md");
    EXPECT_EQ(prompt, instructionBlock + R"({"expectedFilePath":"\/home\/zoë\/Meine Karten\/日本\/Tallowin.md"})");
    EXPECT_EQ(prompt.find('%'), std::string::npos) << "never percent-encoded";

    prompt = TallowinDiscoveryRequest::prompt("/tmp/line\nbreak\t/Tallowin.md");
    EXPECT_EQ(prompt, instructionBlock + R"({"expectedFilePath":"\/tmp\/line\nbreak\t\/Tallowin.md"})");
}

TEST(TallowinDiscoveryRequest, PathThatIsNotUtf8IsRefused)
{
    EXPECT_THROW_SENTENCE(TallowinError,
        "The deck file's path is not valid UTF-8 text, so it cannot be handed to Codex.",
        TallowinDiscoveryRequest::prompt("/tmp/caf\xe9/Tallowin.md"));
}

} // namespace
} // namespace tallowin
