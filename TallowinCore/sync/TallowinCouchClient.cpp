#include "TallowinCore/sync/TallowinCouchClient.h"

#include "TallowinCore/codec/JsonWriter.h"
#include "TallowinCore/sync/TallowinCouchError.h"
#include "TallowinCore/sync/detail/CurlLibrary.h"

#include <boost/url.hpp>
#include <functional>
#include <memory>
#include <mutex>
#include <openssl/evp.h>
#include <simdjson.h>
#include <stdexcept>
#include <vector>

namespace tallowin {

namespace {

// A server that does not honour the long-poll timeout gets this much longer before we end the wait ourselves.
constexpr std::chrono::milliseconds longPollGrace {2000};
constexpr long connectTimeoutMs = 10'000;
constexpr long requestTimeoutMs = 60'000;

// Percent-encodes one path segment or query value: everything but the unreserved characters.
std::string escapeComponent(std::string_view text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~') {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 0x0F]);
        }
    }
    return out;
}

std::string base64(std::string_view bytes)
{
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char *>(out.data()),
        reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string replaceAll(std::string text, const std::string &needle, std::string_view replacement)
{
    if (needle.empty())
        return text;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + replacement.size()))
        text.replace(at, needle.size(), replacement);
    return text;
}

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

// The "reason" (or "error") member of a CouchDB error body, for the message.
std::string errorReason(const std::string &body)
{
    const auto parsed = parseJson(body);
    if (!parsed)
        return {};
    std::string_view text;
    if (parsed->root["reason"].get(text) == simdjson::SUCCESS || parsed->root["error"].get(text) == simdjson::SUCCESS)
        return std::string(text);
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

int onProgress(void *flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool> *>(flag)->load() ? 1 : 0;
}

std::size_t onData(char *data, std::size_t size, std::size_t count, void *body)
{
    static_cast<std::string *>(body)->append(data, size * count);
    return size * count;
}

struct CurlDeleter
{
    void operator()(CURL *handle) const { CurlLibrary::get().easyCleanup(handle); }
    void operator()(curl_slist *list) const { CurlLibrary::get().slistFreeAll(list); }
};

} // namespace

struct TallowinCouchClient::Request
{
    const char *method = "GET";
    std::string url; // without credentials
    std::string body;
    const char *contentType = nullptr;
    long timeoutMs = requestTimeoutMs;
};

struct TallowinCouchClient::Response
{
    long status = 0;
    std::string body;
    bool timedOut = false; // only reported when the server answered before our deadline passed
    bool cancelled = false;
};

TallowinCouchClient::TallowinCouchClient(std::string_view databaseURL)
{
    CurlLibrary::get();
    const auto parsed = boost::urls::parse_uri(boost::urls::string_view(databaseURL.data(), databaseURL.size()));
    if (!parsed)
        throw TallowinCouchError::invalidURL();
    boost::urls::url url(*parsed);
    if ((url.scheme_id() != boost::urls::scheme::http && url.scheme_id() != boost::urls::scheme::https)
        || url.encoded_host().empty())
        throw TallowinCouchError::invalidURL();
    if (url.has_userinfo()) {
        m_user = url.user();
        m_password = url.password();
        url.remove_userinfo();
    }
    url.remove_query().remove_fragment();

    std::string path(url.encoded_path());
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    if (path.empty())
        throw TallowinCouchError::invalidURL();
    const std::string origin(url.encoded_origin());
    m_databaseURL = origin + path;
    m_serverURL = origin + path.substr(0, path.rfind('/'));
}

TallowinCouchClient::~TallowinCouchClient() = default;

TallowinCouchClient::Response TallowinCouchClient::perform(const Request &request) const
{
    Response response;
    if (m_cancelled.load()) {
        response.cancelled = true;
        return response;
    }
    const CurlLibrary &library = CurlLibrary::get();
    const std::unique_ptr<CURL, CurlDeleter> handle(library.easyInit());
    if (!handle)
        throw TallowinCouchError::unreachable(request.url, "the HTTP library could not start a request");
    CURL *curl = handle.get();

    std::unique_ptr<curl_slist, CurlDeleter> headers(library.slistAppend(nullptr, "Accept: application/json, */*"));
    // No "Expect: 100-continue" round trip before large bodies: some proxies never answer it.
    headers.reset(library.slistAppend(headers.release(), "Expect:"));
    if (request.contentType)
        headers.reset(
            library.slistAppend(headers.release(), (std::string("Content-Type: ") + request.contentType).c_str()));

    char errorBuffer[CURL_ERROR_SIZE] = {};
    library.easySetopt(curl, CURLOPT_URL, request.url.c_str());
    library.easySetopt(curl, CURLOPT_CUSTOMREQUEST, request.method);
    library.easySetopt(curl, CURLOPT_HTTPHEADER, headers.get());
    library.easySetopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    // Signals are not safe in a multithreaded process; timeouts then rely on the threaded resolver.
    library.easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
    library.easySetopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
    library.easySetopt(curl, CURLOPT_TIMEOUT_MS, request.timeoutMs);
    library.easySetopt(curl, CURLOPT_WRITEFUNCTION, onData);
    library.easySetopt(curl, CURLOPT_WRITEDATA, &response.body);
    library.easySetopt(curl, CURLOPT_NOPROGRESS, 0L);
    library.easySetopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    library.easySetopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool> *>(&m_cancelled));
    if (!m_user.empty() || !m_password.empty()) {
        library.easySetopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        library.easySetopt(curl, CURLOPT_USERNAME, m_user.c_str());
        library.easySetopt(curl, CURLOPT_PASSWORD, m_password.c_str());
    }
    if (request.method == std::string_view("PUT") || request.method == std::string_view("POST")) {
        library.easySetopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        library.easySetopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }

    const CURLcode result = library.easyPerform(curl);
    library.easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    if (result == CURLE_OK)
        return response;
    if (result == CURLE_ABORTED_BY_CALLBACK) {
        response.cancelled = true;
        return response;
    }
    if (result == CURLE_OPERATION_TIMEDOUT && response.status != 0) {
        response.timedOut = true;
        return response;
    }
    // The library's message names the host but not the credentials, which never enter the URL; the
    // replacement guards against a library that one day echoes them anyway.
    std::string reason = errorBuffer[0] ? errorBuffer : library.easyStrerror(result);
    reason = replaceAll(replaceAll(std::move(reason), m_password, "***"), m_user + ":", "***:");
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '.'))
        reason.pop_back();
    throw TallowinCouchError::unreachable(m_databaseURL, reason);
}

void TallowinCouchClient::throwForStatus(const Response &response, const std::string &url) const
{
    if (response.cancelled)
        throw TallowinCouchError::cancelled(url);
    if (response.timedOut)
        throw TallowinCouchError::unreachable(url, "the answer did not arrive in time");
    if (response.status == 401 || response.status == 403)
        throw TallowinCouchError::unauthorized(url, response.status);
    if (response.status == 404)
        throw TallowinCouchError::notFound(url);
    throw TallowinCouchError::unexpectedStatus(url, response.status, errorReason(response.body));
}

std::optional<CouchDocument> TallowinCouchClient::getDocument(std::string_view id) const
{
    Request request;
    request.url = m_databaseURL + "/" + escapeComponent(id);
    const Response response = perform(request);
    if (response.status == 404 && !response.cancelled)
        return std::nullopt;
    if (response.status != 200 || response.cancelled || response.timedOut)
        throwForStatus(response, request.url);

    const auto parsed = parseJson(response.body);
    std::string_view rev;
    if (!parsed || parsed->root["_rev"].get(rev) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(request.url);
    return CouchDocument {std::string(rev), response.body};
}

std::string TallowinCouchClient::getAttachment(std::string_view id, std::string_view name, std::string_view rev) const
{
    Request request;
    request.url
        = m_databaseURL + "/" + escapeComponent(id) + "/" + escapeComponent(name) + "?rev=" + escapeComponent(rev);
    Response response = perform(request);
    if (response.status != 200 || response.cancelled || response.timedOut)
        throwForStatus(response, request.url);
    return std::move(response.body);
}

CouchSaveResult TallowinCouchClient::putDocumentWithInlineAttachment(std::string_view id,
    const std::optional<std::string> &rev, const std::map<std::string, std::string> &fields,
    std::string_view attachmentName, std::string_view contentType, std::string_view bytes) const
{
    std::string body;
    JsonWriter writer(body, JsonLayout::compact, JsonSlashes::plain);
    // The writer wants keys in ascending order, and the caller's fields may sort on either side of ours.
    std::map<std::string, std::function<void()>> members;
    for (const auto &[name, value] : fields) {
        if (name.empty() || name.front() == '_')
            throw std::invalid_argument("document field names must not be empty or start with '_'");
        members.emplace(name, [&writer, &value = value] { writer.string(value); });
    }
    members.emplace("_attachments", [&] {
        writer.beginObject();
        writer.key(attachmentName);
        writer.beginObject();
        writer.member("content_type", contentType);
        writer.member("data", base64(bytes));
        writer.endObject();
        writer.endObject();
    });
    members.emplace("_id", [&] { writer.string(id); });
    if (rev)
        members.emplace("_rev", [&] { writer.string(*rev); });
    writer.beginObject();
    for (const auto &[name, write] : members) {
        writer.key(name);
        write();
    }
    writer.endObject();

    Request request;
    request.method = "PUT";
    request.url = m_databaseURL + "/" + escapeComponent(id);
    request.body = std::move(body);
    request.contentType = "application/json";
    const Response response = perform(request);
    if (response.status == 409 && !response.cancelled)
        return {CouchSaveResult::Outcome::changedRemotely, {}};
    if ((response.status != 201 && response.status != 202) || response.cancelled || response.timedOut)
        throwForStatus(response, request.url);

    const auto parsed = parseJson(response.body);
    std::string_view newRev;
    if (!parsed || parsed->root["rev"].get(newRev) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(request.url);
    return {CouchSaveResult::Outcome::saved, std::string(newRev)};
}

std::string TallowinCouchClient::session() const
{
    Request request;
    request.url = m_serverURL + "/_session";
    const Response response = perform(request);
    if (response.status != 200 || response.cancelled || response.timedOut)
        throwForStatus(response, request.url);

    const auto parsed = parseJson(response.body);
    simdjson::dom::element name;
    if (!parsed || parsed->root["userCtx"]["name"].get(name) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(request.url);
    // An anonymous session answers 200 with a null name.
    std::string_view text;
    if (name.get(text) != simdjson::SUCCESS || text.empty())
        throw TallowinCouchError::unauthorized(request.url, response.status);
    return std::string(text);
}

std::string TallowinCouchClient::lastSequence() const
{
    Request request;
    request.url = m_databaseURL;
    const Response response = perform(request);
    if (response.status != 200 || response.cancelled || response.timedOut)
        throwForStatus(response, request.url);

    const auto parsed = parseJson(response.body);
    simdjson::dom::element sequence;
    if (!parsed || parsed->root["update_seq"].get(sequence) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(request.url);
    auto text = sequenceText(sequence);
    if (!text)
        throw TallowinCouchError::malformedResponse(request.url);
    return std::move(*text);
}

CouchChanges TallowinCouchClient::waitForChanges(
    std::string_view id, std::string_view since, std::chrono::milliseconds timeout) const
{
    std::string idList;
    JsonWriter list(idList, JsonLayout::compact, JsonSlashes::plain);
    list.beginArray();
    list.string(id);
    list.endArray();

    Request request;
    request.url = m_databaseURL + "/_changes?feed=longpoll&filter=_doc_ids&doc_ids=" + escapeComponent(idList)
        + "&since=" + escapeComponent(since) + "&timeout=" + std::to_string(timeout.count());
    request.timeoutMs = static_cast<long>((timeout + longPollGrace).count());
    const Response response = perform(request);
    if (response.cancelled)
        return {CouchChanges::Outcome::cancelled, std::string(since)};
    // Some servers keep a quiet long poll open past its timeout; then our own deadline ends it.
    if (response.timedOut && response.status == 200)
        return {CouchChanges::Outcome::timedOut, std::string(since)};
    if (response.status != 200 || response.timedOut)
        throwForStatus(response, m_databaseURL + "/_changes");

    const auto parsed = parseJson(response.body);
    simdjson::dom::array results;
    simdjson::dom::element lastSeq;
    if (!parsed || parsed->root["results"].get(results) != simdjson::SUCCESS
        || parsed->root["last_seq"].get(lastSeq) != simdjson::SUCCESS)
        throw TallowinCouchError::malformedResponse(m_databaseURL + "/_changes");
    auto next = sequenceText(lastSeq);
    if (!next)
        throw TallowinCouchError::malformedResponse(m_databaseURL + "/_changes");
    const auto outcome = results.size() > 0 ? CouchChanges::Outcome::changed : CouchChanges::Outcome::timedOut;
    return {outcome, std::move(*next)};
}

} // namespace tallowin
