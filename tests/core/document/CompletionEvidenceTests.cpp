#include "TallowinCore/document/CompletionEvidence.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tallowin {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(CompletionEvidenceLinks, TrimsPunctuationAndDropsExactRepeats)
{
    const std::string text = "Fixed (see https://example.com/a/b). Also HTTPS://example.com/a/b, and "
                             "https://example.com/a/b.";
    EXPECT_THAT(CompletionEvidence::urls(text), ElementsAre("https://example.com/a/b", "HTTPS://example.com/a/b"));
}

TEST(CompletionEvidenceLinks, KeepsOrderOfFirstAppearance)
{
    EXPECT_THAT(CompletionEvidence::urls("http://b.example/2 then https://a.example/1; again http://b.example/2!?"),
        ElementsAre("http://b.example/2", "https://a.example/1"));
    EXPECT_THAT(
        CompletionEvidence::urls("HtTpS://Mixed.example/Path?q=1."), ElementsAre("HtTpS://Mixed.example/Path?q=1"));
}

TEST(CompletionEvidenceLinks, StopsAtDelimitersAndUnicodeWhiteSpace)
{
    EXPECT_THAT(CompletionEvidence::urls("<https://a.example/x> [https://b.example/y] \"https://c.example/z\" "
                                         "'https://d.example/w'"),
        ElementsAre("https://a.example/x", "https://b.example/y", "https://c.example/z", "https://d.example/w"));
    EXPECT_THAT(
        CompletionEvidence::urls("https://a.example/x\u00a0next https://b.example/y\u3000next\nhttps://c.example/z"),
        ElementsAre("https://a.example/x", "https://b.example/y", "https://c.example/z"));
}

TEST(CompletionEvidenceLinks, IgnoresTextThatIsNotAWebLink)
{
    EXPECT_THAT(CompletionEvidence::urls(""), IsEmpty());
    EXPECT_THAT(CompletionEvidence::urls("Done, nothing to link."), IsEmpty());
    EXPECT_THAT(CompletionEvidence::urls("ftp://example.com/file http:/example.com www.example.com"), IsEmpty());
    // A malformed percent escape does not parse.
    EXPECT_THAT(CompletionEvidence::urls("https://example.com/%zz and https://example.com/ok"),
        ElementsAre("https://example.com/ok"));
    // Link text inside a word still begins a link.
    EXPECT_THAT(CompletionEvidence::urls("see:https://example.com/x:"), ElementsAre("https://example.com/x"));
}

} // namespace
} // namespace tallowin
