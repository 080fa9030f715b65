#include "TallowinCore/sync/TallowinCouchError.h"
#include "TallowinCore/sync/TallowinCouchResponse.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

const std::string url = "https://couch.example:6984/db/canonical-tallowin";

TallowinCouchResponse answer(long status, std::string body = {})
{
    return TallowinCouchResponse {status, std::move(body), false, false};
}

TallowinCouchResponse cancelledAnswer(long status)
{
    return TallowinCouchResponse {status, {}, false, true};
}

TallowinCouchResponse lateAnswer(long status, std::string body = {})
{
    return TallowinCouchResponse {status, std::move(body), true, false};
}

TEST(TallowinCouchResponse, FailuresNameTheAddressAndWhatWentWrong)
{
    const struct
    {
        TallowinCouchResponse response;
        TallowinCouchError expected;
    } cases[] = {
        {cancelledAnswer(200), TallowinCouchError::cancelled(url)},
        {lateAnswer(200), TallowinCouchError::unreachable(url, "the answer did not arrive in time")},
        {answer(401), TallowinCouchError::unauthorized(url, 401)},
        {answer(403), TallowinCouchError::unauthorized(url, 403)},
        {answer(404), TallowinCouchError::notFound(url)},
        {answer(500, R"({"error":"oops","reason":"The disk is full"})"),
            TallowinCouchError::unexpectedStatus(url, 500, "The disk is full")},
        {answer(400, R"({"error":"bad_request"})"), TallowinCouchError::unexpectedStatus(url, 400, "bad_request")},
        {answer(502, "<html>Bad Gateway</html>"), TallowinCouchError::unexpectedStatus(url, 502, "")},
    };
    for (const auto &[response, expected] : cases) {
        SCOPED_TRACE(expected.what());
        EXPECT_THROW_SENTENCE(TallowinCouchError, expected, response.fail(url));
    }
}

TEST(TallowinCouchResponse, TheServersReasonStaysOneShortLine)
{
    const struct
    {
        std::string body;
        std::string shown;
    } cases[] = {
        {R"({"reason":"first line\nsecond line\r\n\u0007bell"})", "first line second line   bell"},
        {"{\"reason\":\"\\u2028split\\u2029\\u0085here\\t\"}", "split  here"},
        {R"({"reason":"\n\n","error":"ignored when there is a reason"})", ""},
        {R"({"reason":")" + std::string(199, 'x') + "é\"}", std::string(199, 'x') + "…"},
        {R"({"reason":")" + std::string(200, 'x') + "\"}", std::string(200, 'x')},
    };
    for (const auto &[body, shown] : cases) {
        SCOPED_TRACE(body);
        EXPECT_THROW_SENTENCE(
            TallowinCouchError, TallowinCouchError::unexpectedStatus(url, 500, shown), answer(500, body).fail(url));
    }
}

TEST(TallowinCouchResponse, EachRequestSucceedsOnlyOnItsOwnStatus)
{
    const std::string document = R"({"_id":"canonical-tallowin","_rev":"3-abc","type":"TallowinDocument"})";
    EXPECT_EQ(answer(200, document).document(url), (CouchDocument {"3-abc", document}));
    EXPECT_EQ(answer(404).document(url), std::nullopt);
    EXPECT_EQ(answer(200, "# Tallowin\n").attachment(url), "# Tallowin\n");
    EXPECT_EQ(answer(201, R"({"ok":true,"rev":"4-def"})").saveResult(url),
        (CouchSaveResult {CouchSaveResult::Outcome::saved, "4-def"}));
    EXPECT_EQ(answer(202, R"({"ok":true,"rev":"4-def"})").saveResult(url).rev, "4-def");
    EXPECT_EQ(answer(409).saveResult(url), (CouchSaveResult {CouchSaveResult::Outcome::changedRemotely, {}}));
    EXPECT_EQ(answer(200, R"({"userCtx":{"name":"anna"}})").sessionName(url), "anna");
    EXPECT_EQ(answer(200, R"({"update_seq":"17-g1"})").updateSequence(url), "17-g1");
    EXPECT_EQ(answer(200, R"({"update_seq":42})").updateSequence(url), "42");

    EXPECT_THROW_SENTENCE(TallowinCouchError, TallowinCouchError::notFound(url), answer(404).attachment(url));
    EXPECT_THROW_SENTENCE(TallowinCouchError, TallowinCouchError::unexpectedStatus(url, 200, ""),
        answer(200, R"({"rev":"4-def"})").saveResult(url));
    EXPECT_THROW_SENTENCE(TallowinCouchError, TallowinCouchError::unexpectedStatus(url, 201, ""),
        answer(201, R"({"_rev":"3-abc"})").document(url));
    EXPECT_THROW_SENTENCE(TallowinCouchError, TallowinCouchError::cancelled(url), cancelledAnswer(404).document(url));
    EXPECT_THROW_SENTENCE(TallowinCouchError, TallowinCouchError::cancelled(url), cancelledAnswer(409).saveResult(url));
    // Found by fuzzing: a conflict whose answer timed out read as the server's conflict.
    EXPECT_THROW_SENTENCE(TallowinCouchError, TallowinCouchError::unreachable(url, "the answer did not arrive in time"),
        lateAnswer(409).saveResult(url));
}

TEST(TallowinCouchResponse, AnswersThatDoNotFitAreMalformed)
{
    const TallowinCouchError malformed = TallowinCouchError::malformedResponse(url);
    EXPECT_THROW_SENTENCE(TallowinCouchError, malformed, answer(200, "<html>").document(url));
    EXPECT_THROW_SENTENCE(TallowinCouchError, malformed, answer(200, R"({"_rev":3})").document(url));
    EXPECT_THROW_SENTENCE(TallowinCouchError, malformed, answer(201, R"({"ok":true})").saveResult(url));
    EXPECT_THROW_SENTENCE(TallowinCouchError, malformed, answer(200, R"({"ok":true})").sessionName(url));
    EXPECT_THROW_SENTENCE(TallowinCouchError, malformed, answer(200, R"({"update_seq":{}})").updateSequence(url));
    EXPECT_THROW_SENTENCE(TallowinCouchError, malformed, answer(200, R"({"results":[]})").changes("1", url));
    EXPECT_THROW_SENTENCE(
        TallowinCouchError, malformed, answer(200, R"({"results":{},"last_seq":"2"})").changes("1", url));
    // An anonymous session is an answer that signs in nobody.
    EXPECT_THROW_SENTENCE(TallowinCouchError, TallowinCouchError::unauthorized(url, 200),
        answer(200, R"({"userCtx":{"name":null}})").sessionName(url));
}

TEST(TallowinCouchResponse, ALongPollEndsChangedQuietOrCancelled)
{
    using Outcome = CouchChanges::Outcome;
    EXPECT_EQ(answer(200, R"({"results":[{"seq":"2"}],"last_seq":"2"})").changes("1", url),
        (CouchChanges {Outcome::changed, "2"}));
    EXPECT_EQ(answer(200, R"({"results":[],"last_seq":7})").changes("1", url), (CouchChanges {Outcome::timedOut, "7"}));
    EXPECT_EQ(cancelledAnswer(0).changes("1", url), (CouchChanges {Outcome::cancelled, "1"}));
    // A quiet poll the server kept open past its timeout, which our deadline ended.
    EXPECT_EQ(lateAnswer(200, R"({"results":[)").changes("1", url), (CouchChanges {Outcome::timedOut, "1"}));
    EXPECT_THROW_SENTENCE(TallowinCouchError, TallowinCouchError::unreachable(url, "the answer did not arrive in time"),
        lateAnswer(502).changes("1", url));
}

} // namespace
} // namespace tallowin
