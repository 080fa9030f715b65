#include "TallowinCore/sync/TallowinSecretService.h"

#include "TallowinCore/sync/TallowinSecretServiceError.h"
#include "TallowinCore/sync/detail/SecretLibrary.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace tallowin {

namespace {

const SecretLibrary &library()
{
    try {
        return SecretLibrary::get();
    } catch (const std::runtime_error &error) {
        throw TallowinSecretServiceError::failed("reach", error.what());
    }
}

const SecretSchema &schema()
{
    static const SecretSchema value = [] {
        SecretSchema schema {};
        schema.name = TallowinSecretService::schemaName;
        schema.flags = SECRET_SCHEMA_NONE;
        schema.attributes[0].name = TallowinSecretService::databaseAttribute;
        schema.attributes[0].type = SECRET_SCHEMA_ATTRIBUTE_STRING;
        schema.attributes[1].name = TallowinSecretService::userAttribute;
        schema.attributes[1].type = SECRET_SCHEMA_ATTRIBUTE_STRING;
        return schema;
    }();
    return value;
}

struct ObjectDeleter
{
    void operator()(gpointer object) const { library().objectUnref(object); }
};
template<typename T> using Object = std::unique_ptr<T, ObjectDeleter>;

// Owns the error a call may set.
class ErrorSlot
{
public:
    ErrorSlot() = default;
    ErrorSlot(const ErrorSlot &) = delete;
    ErrorSlot &operator=(const ErrorSlot &) = delete;
    ~ErrorSlot()
    {
        if (m_error)
            library().errorFree(m_error);
    }
    GError **operator&() { return &m_error; }
    explicit operator bool() const { return m_error != nullptr; }
    GError *get() const { return m_error; }

private:
    GError *m_error = nullptr;
};

bool isOneOf(const std::string &name, std::initializer_list<const char *> names)
{
    for (const char *candidate : names) {
        if (name == candidate)
            return true;
    }
    return false;
}

// What a failed call means for the user. A service that is not there answers through the bus itself; a locked
// keyring through the Secret Service's own error.
TallowinSecretServiceError translate(GError *error, const char *action)
{
    const SecretLibrary &secret = library();
    std::string remote;
    if (gchar *name = secret.dbusRemoteError(error)) {
        remote = name;
        secret.free(name);
    }
    if (isOneOf(remote, {"org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner"})
        || remote.starts_with("org.freedesktop.DBus.Error.Spawn."))
        return TallowinSecretServiceError::notRunning();
    if (remote == "org.freedesktop.Secret.Error.IsLocked"
        || (error->domain == secret.secretErrorQuark() && error->code == SECRET_ERROR_IS_LOCKED))
        return TallowinSecretServiceError::locked();
    secret.dbusStripRemoteError(error);
    return TallowinSecretServiceError::failed(action, error->message ? error->message : "");
}

Object<SecretService> openService()
{
    const SecretLibrary &secret = library();
    ErrorSlot error;
    // A connection of our own, not libsecret's shared one, whose session would outlive a restarted service.
    SecretService *service
        = secret.serviceOpen(secret.serviceType(), nullptr, SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
    if (service == nullptr) {
        // Without a session bus there is no error name to tell; a failure to connect means the same here.
        if (error) {
            TallowinSecretServiceError reason = translate(error.get(), "reach");
            if (reason.kind() != TallowinSecretServiceError::Kind::failed)
                throw reason;
        }
        throw TallowinSecretServiceError::notRunning();
    }
    return Object<SecretService>(service);
}

// The item's attributes; the table borrows the account's strings.
class Attributes
{
public:
    explicit Attributes(const TallowinSyncAccount &account)
        : m_table(library().hashTableNew(library().stringHash, library().stringEqual))
    {
        const SecretLibrary &secret = library();
        secret.hashTableInsert(m_table, const_cast<char *>(TallowinSecretService::databaseAttribute),
            const_cast<char *>(account.databaseURL.c_str()));
        secret.hashTableInsert(m_table, const_cast<char *>(TallowinSecretService::userAttribute),
            const_cast<char *>(account.user.c_str()));
    }
    Attributes(const Attributes &) = delete;
    Attributes &operator=(const Attributes &) = delete;
    ~Attributes() { library().hashTableUnref(m_table); }
    GHashTable *get() const { return m_table; }

private:
    GHashTable *m_table;
};

// The items stored for the account, locked ones included.
std::vector<Object<SecretItem>> search(SecretService *service, const TallowinSyncAccount &account, const char *action)
{
    const SecretLibrary &secret = library();
    const Attributes attributes(account);
    ErrorSlot error;
    GList *found = secret.serviceSearch(service, &schema(), attributes.get(), SECRET_SEARCH_ALL, nullptr, &error);
    if (error)
        throw translate(error.get(), action);
    std::vector<Object<SecretItem>> items;
    for (GList *entry = found; entry != nullptr; entry = entry->next)
        items.emplace_back(static_cast<SecretItem *>(entry->data));
    secret.listFree(found);
    return items;
}

// Unlocks an item or a collection through the service's prompt; the user may dismiss it.
void unlock(SecretService *service, gpointer object, const char *action)
{
    const SecretLibrary &secret = library();
    GList *objects = secret.listAppend(nullptr, object);
    GList *unlocked = nullptr;
    ErrorSlot error;
    const gint count = secret.serviceUnlock(service, objects, nullptr, &unlocked, &error);
    secret.listFree(objects);
    secret.listFreeFull(unlocked, secret.objectUnref);
    if (error)
        throw translate(error.get(), action);
    if (count < 1)
        throw TallowinSecretServiceError::dismissed();
}

} // namespace

std::optional<std::string> TallowinSecretService::lookup(const TallowinSyncAccount &account, Unlocking unlocking)
{
    const SecretLibrary &secret = library();
    const Object<SecretService> service = openService();
    std::vector<Object<SecretItem>> items = search(service.get(), account, "read");
    if (items.empty())
        return std::nullopt;
    SecretItem *item = items.front().get();
    for (const Object<SecretItem> &candidate : items) {
        if (!secret.itemGetLocked(candidate.get())) {
            item = candidate.get();
            break;
        }
    }
    if (secret.itemGetLocked(item)) {
        if (unlocking == Unlocking::never)
            throw TallowinSecretServiceError::locked();
        unlock(service.get(), item, "read");
    }
    ErrorSlot error;
    if (!secret.itemLoadSecret(item, nullptr, &error))
        throw error ? translate(error.get(), "read") : TallowinSecretServiceError::failed("read", {});
    SecretValue *value = secret.itemGetSecret(item);
    if (value == nullptr)
        throw TallowinSecretServiceError::failed("read", "the keyring handed out no secret");
    gsize length = 0;
    const gchar *bytes = secret.valueGet(value, &length);
    std::string password(bytes, length);
    secret.valueUnref(value);
    return password;
}

std::string TallowinSecretService::store(const TallowinSyncAccount &account, const std::string &password)
{
    const SecretLibrary &secret = library();
    const Object<SecretService> service = openService();
    std::string keyring;
    {
        ErrorSlot error;
        const Object<SecretCollection> collection(
            secret.collectionForAlias(service.get(), "default", SECRET_COLLECTION_NONE, nullptr, &error));
        if (error)
            throw translate(error.get(), "store");
        // Without a default keyring the service itself decides where the item goes, or asks.
        if (collection) {
            if (secret.collectionGetLocked(collection.get()))
                unlock(service.get(), collection.get(), "store");
            if (gchar *label = secret.collectionGetLabel(collection.get())) {
                keyring = label;
                secret.free(label);
            }
        }
    }
    const Attributes attributes(account);
    const std::string label = "Tallowin sync password for " + account.description();
    SecretValue *value = secret.valueNew(password.data(), static_cast<gssize>(password.size()), "text/plain");
    ErrorSlot error;
    const gboolean stored = secret.serviceStore(
        service.get(), &schema(), attributes.get(), "default", label.c_str(), value, nullptr, &error);
    secret.valueUnref(value);
    if (!stored)
        throw error ? translate(error.get(), "store") : TallowinSecretServiceError::failed("store", {});
    return keyring.empty() ? std::string("the Secret Service") : "the Secret Service (keyring “" + keyring + "”)";
}

bool TallowinSecretService::forget(const TallowinSyncAccount &account)
{
    const SecretLibrary &secret = library();
    const Object<SecretService> service = openService();
    const std::vector<Object<SecretItem>> items = search(service.get(), account, "remove");
    for (const Object<SecretItem> &item : items) {
        if (secret.itemGetLocked(item.get()))
            unlock(service.get(), item.get(), "remove");
        ErrorSlot error;
        if (!secret.itemDelete(item.get(), nullptr, &error))
            throw error ? translate(error.get(), "remove") : TallowinSecretServiceError::failed("remove", {});
    }
    return !items.empty();
}

} // namespace tallowin
