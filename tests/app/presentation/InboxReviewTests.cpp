// Which suggestion the inbox shows while the user goes through it.
#include "Tallowin/presentation/InboxReview.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

using namespace tallowin;
using namespace tallowin::test;

TEST(InboxReview, showsTheFirstSuggestionAndKeepsItWhileItIsPending)
{
    InboxReview review;
    const TaskCandidate first = makeCandidate("c-1", "https://example.com/1");
    const TaskCandidate second = makeCandidate("c-2", "https://example.com/2");
    EXPECT_TRUE(review.update({first, second}));
    EXPECT_EQ(review.page(), InboxReview::Page::candidate);
    EXPECT_EQ(review.shown()->id, "c-1");

    // A reload that puts a new suggestion in front leaves the one being edited in place.
    const TaskCandidate fresh = makeCandidate("c-0", "https://example.com/0");
    EXPECT_FALSE(review.update({fresh, first, second}));
    EXPECT_EQ(review.shown()->id, "c-1");

    EXPECT_TRUE(review.update({fresh, second}));
    EXPECT_EQ(review.shown()->id, "c-0");
    EXPECT_TRUE(review.update({}));
    EXPECT_EQ(review.page(), InboxReview::Page::reviewed);
    EXPECT_FALSE(review.shown());
}

TEST(InboxReview, anInboxOpenedEmptyIsEmptyNotReviewed)
{
    InboxReview review;
    EXPECT_FALSE(review.update({}));
    EXPECT_EQ(review.page(), InboxReview::Page::empty);
    EXPECT_EQ(InboxReview::heading(40), "Suggested task · 40 to review");
}
