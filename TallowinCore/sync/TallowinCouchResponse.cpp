#include "TallowinCore/sync/TallowinCouchResponse.h"

#include "TallowinCore/base/UnicodeText.h"
#include "TallowinCore/sync/TallowinCouchError.h"

#include <algorithm>
#include <memory>
#include <simdjson.h>

namespace tallowin {

namespace {

// Parses a JSON body; nothing when it is not JSON.
struct ParsedJson
{
    simdjson::dom::parser parser;
    simdjson::dom::element root;
};

std::unique_ptr<ParsedJson> parseJson(const std::string &body)
{
    auto parsed = std::make_unique<ParsedJson>();
    if (parsed->parser.parse(simdjson::padded_string(body)).get(parsed->root) != simdjson::SUCCESS)
        return nullptr;
    return parsed;
}

// The server's words go into a sentence shown in one line, so whatever it sent stays one short line.
constexpr std::size_t longestReason = 200;

std::string oneShortLine(std::string_view text)
{
    std::string line;
    line.reserve(std::min(text.size(), longestReason));
    for (std::size_t index = 0; index < text.size(); ++index) {
        const auto byte = static_cast<unsigned char>(text[index]);
        // C0 controls and DEL; NEL (C2 85), LINE and PARAGRAPH SEPARATOR (E2 80 A8 and A9).
        if (byte < 0x20 || byte == 0x7f) {
            line += ' ';
        } else if (text.substr(index, 2) == "\xc2\x85") {
            line += ' ';
            index += 1;
        } else if (text.substr(index, 3) == "\xe2\x80\xa8" || text.substr(index, 3) == "\xe2\x80\xa9") {
            line += ' ';
            index += 2;
        } else {
            line += text[index];
        }
    }
    line = std::string(UnicodeText::trimmedWhitespaceAndNewlines(line));
    if (line.size() <= longestReason)
        return line;
    // Cut before a character, not inside one.
    std::size_t end = longestReason;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
        --end;
    line.resize(end);
    return line + "\u2026";
}

// The "reason" (or "error") member of a CouchDB error body, for the message.
std::string errorReason(const std::string &body)
{
    const auto parsed = parseJson(body);
    if (!parsed)
        return {};
    std::string_view text;
    if (parsed->root["reason"].get(text) == simdjson::SUCCESS || parsed->root["error"].get(text) == simdjson::SUCCESS)
        return oneShortLine(text);
    return {};
}

// Sequences are numbers in older servers and opaque strings in newer ones; both are handed back as text.
std::optional<std::string> sequenceText(simdjson::dom::element value)
{
    std::string_view text;
    if (value.get(text) == simdjson::SUCCESS)
        return std::string(text);
    if (value.is_number())
        return simdjson::minify(value);
    return std::nullopt;
}

} // namespace

void TallowinCouchResponse::fail(const std::string &url) const
{
    if (cancelled)
        throw TallowinCouchError::cancelled(url);
    if (timedOut)
        throw TallowinCouchError::unreachable(url, "the answer did not arrive in time");
    if (status == 401 || status == 403)
        throw TallowinCouchError::unauthorized(url, status);
    if (status == 404)
        throw TallowinCouchError::notFound(url);
    throw TallowinCouchError::unexpectedStatus(url, status, errorReason(body));
}

std::optional<CouchDocument> TallowinCouchResponse::document(const std::string &url) const
{
    // Missing is the server's answer only when the answer arrived whole.
    if (status == 404 && !cancelled && !timedOut)
        return std::nullopt;
    if (status != 200 || cancelled || timedOut)
        fail(url);

    const auto parsed = parseJson(body);
    std::string_view rev;
    if (!parsed || parsed->root["_rev"].get(rev) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(url);
    return CouchDocument {std::string(rev), body};
}

std::string TallowinCouchResponse::attachment(const std::string &url) &&
{
    if (status != 200 || cancelled || timedOut)
        fail(url);
    return std::move(body);
}

CouchSaveResult TallowinCouchResponse::saveResult(const std::string &url) const
{
    // So is a conflict.
    if (status == 409 && !cancelled && !timedOut)
        return {CouchSaveResult::Outcome::changedRemotely, {}};
    if ((status != 201 && status != 202) || cancelled || timedOut)
        fail(url);

    const auto parsed = parseJson(body);
    std::string_view newRev;
    if (!parsed || parsed->root["rev"].get(newRev) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(url);
    return {CouchSaveResult::Outcome::saved, std::string(newRev)};
}

std::string TallowinCouchResponse::sessionName(const std::string &url) const
{
    if (status != 200 || cancelled || timedOut)
        fail(url);

    const auto parsed = parseJson(body);
    simdjson::dom::element name;
    if (!parsed || parsed->root["userCtx"]["name"].get(name) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(url);
    // An anonymous session answers 200 with a null name.
    std::string_view text;
    if (name.get(text) != simdjson::SUCCESS || text.empty())
        throw TallowinCouchError::unauthorized(url, status);
    return std::string(text);
}

std::string TallowinCouchResponse::updateSequence(const std::string &url) const
{
    if (status != 200 || cancelled || timedOut)
        fail(url);

    const auto parsed = parseJson(body);
    simdjson::dom::element sequence;
    if (!parsed || parsed->root["update_seq"].get(sequence) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(url);
    auto text = sequenceText(sequence);
    if (!text)
        throw TallowinCouchError::malformedResponse(url);
    return std::move(*text);
}

CouchChanges TallowinCouchResponse::changes(std::string_view since, const std::string &url) const
{
    if (cancelled)
        return {CouchChanges::Outcome::cancelled, std::string(since)};
    // Some servers keep a quiet long poll open past its timeout; then our own deadline ends it.
    if (timedOut && status == 200)
        return {CouchChanges::Outcome::timedOut, std::string(since)};
    if (status != 200 || timedOut)
        fail(url);

    const auto parsed = parseJson(body);
    simdjson::dom::array results;
    simdjson::dom::element lastSeq;
    if (!parsed || parsed->root["results"].get(results) != simdjson::SUCCESS
        || parsed->root["last_seq"].get(lastSeq) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(url);
    auto next = sequenceText(lastSeq);
    if (!next)
        throw TallowinCouchError::malformedResponse(url);
    const auto outcome = results.size() > 0 ? CouchChanges::Outcome::changed : CouchChanges::Outcome::timedOut;
    return {outcome, std::move(*next)};
}

} // namespace tallowin
