#include "TallowinCore/sync/TallowinSyncCheckpoint.h"

#include "TallowinCore/io/TallowinAtomicFile.h"

#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/JsonWriter.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/io/TallowinFileError.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "TallowinCore/io/TallowinTextFile.h"

#include <simdjson.h>

#include <cerrno>
#include <sys/stat.h>

namespace tallowin {

namespace {

bool entryExists(const std::filesystem::path &path)
{
    struct stat status = {};
    if (::lstat(path.c_str(), &status) == 0)
        return true;
    if (errno == ENOENT || errno == ENOTDIR)
        return false;
    throw TallowinFileError::failed("inspect", path, {errno, std::generic_category()});
}

// Reading on demand skips what it does not need without checking it, such as the values of unknown keys or text
// after the object; a file that is not JSON throughout is damaged. The deck's text, checked when it was read, is
// left out of this second look.
void requireJsonOutside(std::string_view json, std::string_view documentText, const char *parsedText)
{
    std::string outside;
    if (!documentText.empty()) {
        const auto start = static_cast<std::size_t>(documentText.data() - parsedText);
        outside.reserve(json.size() - documentText.size() + 4);
        outside.append(json.substr(0, start)).append("null").append(json.substr(start + documentText.size()));
    }
    simdjson::dom::parser parser;
    if (parser.parse(simdjson::padded_string(documentText.empty() ? json : std::string_view(outside))).error())
        throw JsonReadError::malformed("the checkpoint is not valid JSON");
}

} // namespace

std::string TallowinSyncCheckpoint::encode(const TallowinSyncCheckpoint &checkpoint)
{
    std::string output;
    JsonWriter writer(output, JsonLayout::compact, JsonSlashes::escaped);
    writer.beginObject();
    writer.member("accountID", checkpoint.accountID);
    if (checkpoint.document) {
        writer.key("document");
        TallowinDocumentJson::write(writer, *checkpoint.document);
    }
    writer.endObject();
    return output;
}

TallowinSyncCheckpoint TallowinSyncCheckpoint::decode(std::string_view json)
{
    const simdjson::padded_string padded(json);
    simdjson::ondemand::parser parser;
    simdjson::ondemand::document root;
    simdjson::ondemand::object object;
    if (parser.iterate(padded).get(root) || root.get_object().get(object))
        throw JsonReadError::malformed("the checkpoint is not a JSON object");

    TallowinSyncCheckpoint checkpoint;
    bool sawAccount = false;
    // The text of the deck read last; TallowinDocumentJson checks it is JSON.
    std::string_view documentText;
    for (auto field : object) {
        std::string_view key;
        simdjson::ondemand::value value;
        if (field.unescaped_key().get(key) || field.value().get(value))
            throw JsonReadError::malformed("the checkpoint is not valid JSON");
        if (key == "accountID") {
            std::string_view account;
            if (value.get_string().get(account))
                throw JsonReadError::wrongType("accountID", "a string");
            checkpoint.accountID = std::string(account);
            sawAccount = true;
        } else if (key == "document") {
            bool isNull = false;
            if (value.is_null().get(isNull))
                throw JsonReadError::malformed("the checkpoint is not valid JSON");
            if (isNull) {
                checkpoint.document.reset();
                documentText = {};
                continue;
            }
            simdjson::ondemand::object documentObject;
            std::string_view raw;
            if (value.get_object().get(documentObject))
                throw JsonReadError::wrongType("document", "an object");
            if (documentObject.raw_json().get(raw))
                throw JsonReadError::malformed("the checkpoint is not valid JSON");
            try {
                checkpoint.document = TallowinDocumentJson::decode(raw);
            } catch (const JsonReadError &error) {
                throw error.nestedIn("document");
            }
            documentText = raw;
        }
    }
    if (!sawAccount)
        throw JsonReadError::missingKey("accountID");
    requireJsonOutside(json, documentText, padded.data());
    return checkpoint;
}

std::optional<TallowinSyncCheckpoint> TallowinSyncCheckpoint::read(const std::filesystem::path &path)
{
    TallowinPrivateStorage::protectFile(path);
    if (!entryExists(path))
        return std::nullopt;
    return decode(TallowinTextFile::read(path));
}

void TallowinSyncCheckpoint::write(
    const std::filesystem::path &path, const TallowinSyncCheckpoint &checkpoint, TallowinFileOperations &operations)
{
    TallowinAtomicFile::write(path, encode(checkpoint), operations);
    TallowinPrivateStorage::protectFile(path);
}

} // namespace tallowin
