#include "TallowinCore/sync/TallowinCouchClient.h"

#include "TallowinCore/codec/JsonWriter.h"
#include "TallowinCore/sync/TallowinCouchError.h"
#include "TallowinCore/sync/TallowinCouchResponse.h"
#include "TallowinCore/sync/TallowinSyncAddress.h"
#include "TallowinCore/sync/detail/CurlLibrary.h"

#include <functional>
#include <memory>
#include <mutex>
#include <openssl/evp.h>
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

TallowinCouchClient::TallowinCouchClient(std::string_view databaseURL)
{
    CurlLibrary::get();
    TallowinSyncAddress address = TallowinSyncAddress::parse(databaseURL);
    m_user = std::move(address.user);
    m_password = address.password.value_or(std::string());
    m_databaseURL = std::move(address.databaseURL);
    m_serverURL = std::move(address.serverURL);
}

TallowinCouchClient::~TallowinCouchClient() = default;

TallowinCouchResponse TallowinCouchClient::perform(const Request &request) const
{
    TallowinCouchResponse response;
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

std::optional<CouchDocument> TallowinCouchClient::getDocument(std::string_view id) const
{
    Request request;
    request.url = m_databaseURL + "/" + escapeComponent(id);
    return perform(request).document(request.url);
}

std::string TallowinCouchClient::getAttachment(std::string_view id, std::string_view name, std::string_view rev) const
{
    Request request;
    request.url
        = m_databaseURL + "/" + escapeComponent(id) + "/" + escapeComponent(name) + "?rev=" + escapeComponent(rev);
    return perform(request).attachment(request.url);
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
    return perform(request).saveResult(request.url);
}

std::string TallowinCouchClient::session() const
{
    Request request;
    request.url = m_serverURL + "/_session";
    return perform(request).sessionName(request.url);
}

std::string TallowinCouchClient::lastSequence() const
{
    Request request;
    request.url = m_databaseURL;
    return perform(request).updateSequence(request.url);
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
    return perform(request).changes(since, m_databaseURL + "/_changes");
}

} // namespace tallowin
