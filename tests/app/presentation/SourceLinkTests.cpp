// Which source links a card may open: web links only, whatever an agent wrote into the deck.
#include "Tallowin/presentation/SourceLink.h"

#include <gtest/gtest.h>

using namespace tallowin;

TEST(SourceLinkTests, opensOnlyWebLinksWithAHost)
{
    const struct
    {
        const char *link;
        bool opens;
    } cases[] = {
        {"https://example.com/pr/12", true},
        {"http://example.com", true},
        {"HTTPS://Example.com/Path?q=1#frag", true},
        {"https://slack.com/archives/C1/p2?thread_ts=1.2", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"codex://threads/new?prompt=x", false},
        {"mailto:ana@example.com", false},
        {"ftp://example.com/file", false},
        {"https://", false},
        {"https:///path-without-host", false},
        {"example.com/no-scheme", false},
        {"", false},
        {"https://example.com/a b", false},
        {"https://example.com/\n", false},
        {" https://example.com", false},
        {"https://exa mple.com", false},
    };
    for (const auto &item : cases) {
        const std::optional<std::string> refusal = SourceLink::refusal(item.link);
        EXPECT_EQ(!refusal.has_value(), item.opens) << item.link;
        if (refusal) {
            EXPECT_EQ(*refusal, SourceLink::notAWebLink) << item.link;
        }
    }
}
