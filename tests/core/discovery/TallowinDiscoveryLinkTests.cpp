#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/discovery/TallowinDiscoveryLink.h"
#include "TallowinCore/discovery/TallowinDiscoveryRequest.h"

#include <gtest/gtest.h>

#include <boost/url/parse.hpp>

#include <stdexcept>
#include <string>
#include <vector>

namespace tallowin {
namespace {

struct Item
{
    std::string name;
    std::string value;

    friend bool operator==(const Item &, const Item &) = default;
    friend std::ostream &operator<<(std::ostream &out, const Item &item)
    {
        return out << item.name << '=' << item.value;
    }
};

std::vector<Item> decodedItems(const boost::urls::url_view &link, bool plusIsSpace)
{
    boost::urls::encoding_opts options;
    options.space_as_plus = plusIsSpace;
    std::vector<Item> items;
    for (const boost::urls::param &param : link.params(options))
        items.push_back({param.key, param.value});
    return items;
}

TEST(TallowinDiscoveryLink, OpensANewWorkThreadWithPromptAndFolder)
{
    const std::string link = TallowinDiscoveryLink::codexLink("/home/ada/Decks/Tallowin.md");
    EXPECT_TRUE(link.starts_with("codex://threads/new?prompt=Use%20the%20Tallowin%20skill%20for%20one%20manually%20"
                                 "requested%20read-only%20discovery%20pass.%0AFirst%20call%20get_scan_context"))
        << link;
    EXPECT_TRUE(link.ends_with("%3A%0A%7B%22expectedFilePath%22%3A%22%5C/home%5C/ada%5C/Decks%5C/"
                               "Tallowin.md%22%7D&path=/home/ada/Decks&mode=work"))
        << link;
}

TEST(TallowinDiscoveryLink, AwkwardPathsComeBackExactlyFromAnyQueryDecoder)
{
    const std::filesystem::path deck = "/home/zoë/Tasks & \"Notes\" #1 +more='x' 100%/Tallowin.md";
    const std::string link = TallowinDiscoveryLink::codexLink(deck);

    const auto parsed = boost::urls::parse_uri(link);
    ASSERT_TRUE(parsed.has_value()) << link;
    EXPECT_EQ(parsed->scheme(), "codex");
    EXPECT_EQ(parsed->host(), "threads");
    EXPECT_EQ(parsed->path(), "/new");
    EXPECT_FALSE(parsed->has_fragment()) << "a \"#\" in the path must not start a fragment";

    const std::vector<Item> expected = {
        {"prompt", TallowinDiscoveryRequest::prompt(deck)},
        {"path", "/home/zoë/Tasks & \"Notes\" #1 +more='x' 100%"},
        {"mode", "work"},
    };
    EXPECT_EQ(decodedItems(*parsed, false), expected);
    EXPECT_EQ(decodedItems(*parsed, true), expected) << "decoders that read \"+\" as a space agree";

    const std::string query(parsed->encoded_query());
    for (const char c : query) {
        EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << "non-ASCII bytes are percent-encoded";
        EXPECT_EQ(std::string(" +#\"'").find(c), std::string::npos) << "raw '" << c << "' in " << query;
    }
    EXPECT_EQ(std::count(query.begin(), query.end(), '&'), 2);
    EXPECT_EQ(std::count(query.begin(), query.end(), '='), 3);
}

TEST(TallowinDiscoveryLink, DeckAtTheRootHasTheRootAsItsFolder)
{
    const auto parsed = boost::urls::parse_uri(TallowinDiscoveryLink::codexLink("/Tallowin.md"));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(decodedItems(*parsed, false).at(1), (Item {"path", "/"}));
}

TEST(TallowinDiscoveryLink, NoLinkWithoutAnAbsoluteFilePath)
{
    EXPECT_THROW(TallowinDiscoveryLink::codexLink("Tallowin.md"), std::invalid_argument);
    EXPECT_THROW(TallowinDiscoveryLink::codexLink("/"), std::invalid_argument);
    EXPECT_THROW(TallowinDiscoveryLink::codexLink("/home/ada/"), std::invalid_argument);
    // The prompt's own failure comes through unchanged.
    EXPECT_THROW(TallowinDiscoveryLink::codexLink("/tmp/caf\xe9/Tallowin.md"), TallowinError);
}

} // namespace
} // namespace tallowin
