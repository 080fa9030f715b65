// Reads arbitrary answers of a CouchDB server (or of anything between it and us) as the client does. An input is
// a first line "OPERATION STATUS [timedout] [cancelled]" (OPERATION: document, attachment, save, session,
// sequence or changes) and the body after it. Failures must be TallowinCouchError naming the request's address,
// with a sentence of one line that a server cannot make long; a cancelled request never succeeds, refused
// credentials always read as such, and success takes the status the operation expects.
#include "FuzzChecks.h"

#include "TallowinCore/sync/TallowinCloudTransport.h"
#include "TallowinCore/sync/TallowinCouchClient.h"
#include "TallowinCore/sync/TallowinCouchError.h"
#include "TallowinCore/sync/TallowinCouchResponse.h"

#include <charconv>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

namespace {

using namespace tallowin;
using fuzz::require;

constexpr const char *target = "couch response";
const std::string url = "https://couch.example:6984/tallowin/canonical-tallowin";
const std::string since = "17-g1AAAAB";
// What the server may add to a sentence beyond our own words and the address.
constexpr std::size_t longestServerText = 200;

enum class Operation { document, attachment, save, session, sequence, changes };

struct Input
{
    Operation operation;
    TallowinCouchResponse response;
};

std::optional<Operation> operationNamed(std::string_view name)
{
    constexpr std::pair<std::string_view, Operation> names[]
        = {{"document", Operation::document}, {"attachment", Operation::attachment}, {"save", Operation::save},
            {"session", Operation::session}, {"sequence", Operation::sequence}, {"changes", Operation::changes}};
    for (const auto &[known, operation] : names) {
        if (name == known)
            return operation;
    }
    return std::nullopt;
}

std::string_view nextWord(std::string_view &line)
{
    const std::size_t end = std::min(line.find(' '), line.size());
    const std::string_view word = line.substr(0, end);
    line.remove_prefix(std::min(end + 1, line.size()));
    return word;
}

std::optional<Input> parsed(std::string_view text)
{
    const std::size_t lineEnd = text.find('\n');
    if (lineEnd == std::string_view::npos)
        return std::nullopt;
    std::string_view header = text.substr(0, lineEnd);
    const auto operation = operationNamed(nextWord(header));
    if (!operation)
        return std::nullopt;
    Input input {*operation, {}};
    const std::string_view status = nextWord(header);
    const auto [end, error] = std::from_chars(status.data(), status.data() + status.size(), input.response.status);
    if (error != std::errc() || end != status.data() + status.size())
        return std::nullopt;
    while (!header.empty()) {
        const std::string_view flag = nextWord(header);
        if (flag == "timedout")
            input.response.timedOut = true;
        else if (flag == "cancelled")
            input.response.cancelled = true;
        else
            return std::nullopt;
    }
    input.response.body = std::string(text.substr(lineEnd + 1));
    return input;
}

bool expectsSuccess(Operation operation, long status)
{
    switch (operation) {
    case Operation::document:
        return status == 200 || status == 404;
    case Operation::save:
        return status == 201 || status == 202 || status == 409;
    default:
        return status == 200;
    }
}

// No control characters (line breaks among them) and none of Unicode's line and paragraph separators.
bool isOneLine(std::string_view sentence)
{
    for (const char c : sentence) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return false;
    }
    return sentence.find("\u0085") == std::string_view::npos && sentence.find("\u2028") == std::string_view::npos
        && sentence.find("\u2029") == std::string_view::npos;
}

void checkError(const Input &input, const TallowinCouchError &error)
{
    fuzz::requireSentence(target, error);
    const std::string_view sentence = error.what();
    require(error.url() == url, target, "an error names another address");
    require(sentence.find(url) != std::string_view::npos, target, "an error's sentence does not name the address");
    require(isOneLine(sentence), target, "an error's sentence breaks the line or holds control characters");
    require(sentence.size() <= url.size() + 120 + longestServerText, target, "the server made a sentence long");
    const TallowinCouchResponse &response = input.response;
    if (response.cancelled)
        require(error.kind() == TallowinCouchError::Kind::cancelled, target, "a cancelled request fails otherwise");
    else if (!response.timedOut && (response.status == 401 || response.status == 403))
        require(error.kind() == TallowinCouchError::Kind::unauthorized, target, "refused credentials read otherwise");
}

void checkSuccess(const Input &input)
{
    const TallowinCouchResponse &response = input.response;
    require(!response.cancelled || input.operation == Operation::changes, target, "a cancelled request succeeded");
    if (input.operation == Operation::changes && (response.cancelled || response.timedOut))
        return;
    require(!response.timedOut, target, "a request that timed out succeeded");
    require(expectsSuccess(input.operation, response.status), target, "a request succeeded on a failing status");
}

void run(const Input &input)
{
    const TallowinCouchResponse &response = input.response;
    switch (input.operation) {
    case Operation::document:
        if (const std::optional<CouchDocument> document = response.document(url)) {
            require(response.status == 200 && document->json == response.body, target, "a document is not the body");
            // What the transport makes of it; true or false, it must not fail.
            TallowinCloudTransport::holdsDeck(*document);
        } else {
            require(response.status == 404, target, "a document is missing on another status than 404");
        }
        break;
    case Operation::attachment:
        require(TallowinCouchResponse(response).attachment(url) == response.body, target, "an attachment changed");
        break;
    case Operation::save: {
        const CouchSaveResult result = response.saveResult(url);
        require((result.outcome == CouchSaveResult::Outcome::changedRemotely) == (response.status == 409), target,
            "a save reads as changed remotely on another status than 409");
        break;
    }
    case Operation::session:
        require(!response.sessionName(url).empty(), target, "a session names nobody");
        break;
    case Operation::sequence:
        response.updateSequence(url);
        break;
    case Operation::changes: {
        const CouchChanges changes = response.changes(since, url);
        if (changes.outcome != CouchChanges::Outcome::changed)
            require(changes.since == since || !response.cancelled, target, "a cancelled wait moved on");
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::optional<Input> input = parsed(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!input)
        return -1;
    try {
        run(*input);
        checkSuccess(*input);
    } catch (const TallowinCouchError &error) {
        checkError(*input, error);
    } catch (const std::exception &error) {
        fuzz::fail(target, std::string("an undocumented error escaped: ") + error.what());
    }
    return 0;
}
