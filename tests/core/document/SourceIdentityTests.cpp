#include "TallowinCore/document/SourceIdentity.h"
#include "TallowinCore/document/TaskContractError.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tallowin {
namespace {

void expectInvalid(const std::string &url)
{
    if (const auto error = EXPECT_THROW_SENTENCE(
            TaskContractError, "Task contract source URL is invalid: " + url, SourceIdentity::sourceKey(url))) {
        EXPECT_EQ(error->kind(), TaskContractError::Kind::invalidSourceURL);
        EXPECT_EQ(error->text(), url);
    }
}

TEST(SourceIdentityKey, ArchiveLinksShareOneKeyWhateverTheHost)
{
    EXPECT_EQ(SourceIdentity::sourceKey("https://acme.slack.com/archives/Team/Item"), "slack:team:item");
    EXPECT_EQ(
        SourceIdentity::sourceKey("http://other.example.org/archives/TEAM/ITEM?thread_ts=1.2#x"), "slack:team:item");
    EXPECT_EQ(SourceIdentity::sourceKey("https://acme.slack.com/ARCHIVES/C01/p17/extra"), "slack:c01:p17");
    EXPECT_EQ(SourceIdentity::sourceKey("https://acme.slack.com//archives//C01/p17/"), "slack:c01:p17");
    // Pieces are compared decoded.
    EXPECT_EQ(SourceIdentity::sourceKey("https://acme.slack.com/%61rchives/C%301/p17"), "slack:c01:p17");
}

TEST(SourceIdentityKey, OtherLinksAreNormalisedAndLowerCased)
{
    EXPECT_EQ(SourceIdentity::sourceKey("HTTPS://GitHub.COM/Org/Repo/pull/7/#discussion_r1"),
        "url:https://github.com/org/repo/pull/7");
    EXPECT_EQ(SourceIdentity::sourceKey("https://example.com/a/b?x=1&y=2"), "url:https://example.com/a/b");
    EXPECT_EQ(SourceIdentity::sourceKey("https://example.com/"), "url:https://example.com");
    EXPECT_EQ(SourceIdentity::sourceKey("https://example.com"), "url:https://example.com");
    EXPECT_EQ(
        SourceIdentity::sourceKey("http://Example.com:8080/Docs//Page"), "url:http://example.com:8080/docs//page");
    // Only two pieces: not a message archive link.
    EXPECT_EQ(
        SourceIdentity::sourceKey("https://acme.slack.com/archives/C01"), "url:https://acme.slack.com/archives/c01");
}

TEST(SourceIdentityKey, RejectsLinksWithoutWebSchemeOrHost)
{
    for (const char *url : {"ftp://example.com/file", "https:///path/only", "https://", "https:example.com/a",
             "example.com/archives/C01/p17", "/archives/C01/p17", "mailto:someone@example.com", "", "not a url",
             "https://exa mple.com/", "https://example.com/%zz", "javascript:alert(1)"})
        expectInvalid(url);
}

TEST(SourceIdentityTitle, FoldsAndJoinsWords)
{
    EXPECT_EQ(SourceIdentity::normalizedTitle("Réview  the Q3 plan!"), "review-the-q3-plan");
    EXPECT_EQ(SourceIdentity::normalizedTitle("  --Ça va? Oui...  "), "ca-va-oui");
    EXPECT_EQ(SourceIdentity::normalizedTitle("ＱＵＡＲＴＥＲ　Ｐｌａｎ２"), "quarter-plan2");
    EXPECT_EQ(SourceIdentity::normalizedTitle("Straße_Plan/v2"), "strasse-plan-v2");
    EXPECT_EQ(SourceIdentity::normalizedTitle("会議 メモ"), "会議-メモ");
    EXPECT_EQ(SourceIdentity::normalizedTitle(" !? "), "");
    EXPECT_EQ(SourceIdentity::normalizedTitle(""), "");
}

TEST(SourceIdentityTitle, CombiningMarksStayInsideTheirWord)
{
    // Devanagari vowel signs are spacing marks that survive diacritic folding.
    const std::string folded = SourceIdentity::normalizedTitle("नमस्ते दुनिया");
    EXPECT_EQ(std::count(folded.begin(), folded.end(), '-'), 1) << folded;
}

TEST(SourceIdentityItemKey, JoinsSourceKeyAndTitle)
{
    EXPECT_EQ(SourceIdentity::itemKey("https://acme.slack.com/archives/C01/p17", "Réview the plan"),
        "slack:c01:p17|review-the-plan");
    EXPECT_EQ(
        SourceIdentity::itemKey("https://Example.com/Issue/4?x=1", "Fix it"), "url:https://example.com/issue/4|fix-it");
    EXPECT_THROW(SourceIdentity::itemKey("ftp://example.com/a", "Title"), TaskContractError);
}

} // namespace
} // namespace tallowin
