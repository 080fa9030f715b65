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
    for (auto field : object) {
        std::string_view key;
        simdjson::ondemand::value value;
        if (field.unescaped_key().get(key) || field.value().get(value))
            throw JsonReadError::malformed("the checkpoint is not valid JSON");
        if (key == "accountID") {
            std::string_view account;
            if (value.get_string().get(account))
                throw JsonReadError::wrongType("accountID", "string");
            checkpoint.accountID = std::string(account);
            sawAccount = true;
        } else if (key == "document") {
            bool isNull = false;
            if (value.is_null().get(isNull))
                throw JsonReadError::malformed("the checkpoint is not valid JSON");
            if (isNull)
                continue;
            simdjson::ondemand::object documentObject;
            std::string_view raw;
            if (value.get_object().get(documentObject))
                throw JsonReadError::wrongType("document", "object");
            if (documentObject.raw_json().get(raw))
                throw JsonReadError::malformed("the checkpoint is not valid JSON");
            try {
                checkpoint.document = TallowinDocumentJson::decode(raw);
            } catch (const JsonReadError &error) {
                throw error.nestedIn("document");
            }
        }
    }
    if (!sawAccount)
        throw JsonReadError::missingKey("accountID");
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
