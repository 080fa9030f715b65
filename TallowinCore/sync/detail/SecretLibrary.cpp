#include "TallowinCore/sync/detail/SecretLibrary.h"

#include <dlfcn.h>
#include <stdexcept>
#include <string>

namespace tallowin {

namespace {

constexpr const char *libraryName = "libsecret-1.so.0";

// The GLib functions come with libsecret, which links them; looking them up through its handle finds them there.
template<typename Function> void bind(void *library, Function &function, const char *name)
{
    void *symbol = ::dlsym(library, name);
    if (symbol == nullptr)
        throw std::runtime_error(std::string("The Secret Service library ") + libraryName + " lacks " + name + ".");
    function = reinterpret_cast<Function>(symbol);
}

SecretLibrary load()
{
    void *library = ::dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        throw std::runtime_error(std::string("Tallowin could not load the library that reaches the Secret Service: ")
            + ::dlerror() + ". Install libsecret-1-0.");
    SecretLibrary secret = {};
    bind(library, secret.serviceType, "secret_service_get_type");
    bind(library, secret.serviceOpen, "secret_service_open_sync");
    bind(library, secret.serviceSearch, "secret_service_search_sync");
    bind(library, secret.serviceUnlock, "secret_service_unlock_sync");
    bind(library, secret.serviceStore, "secret_service_store_sync");
    bind(library, secret.collectionForAlias, "secret_collection_for_alias_sync");
    bind(library, secret.collectionGetLocked, "secret_collection_get_locked");
    bind(library, secret.collectionGetLabel, "secret_collection_get_label");
    bind(library, secret.itemGetLocked, "secret_item_get_locked");
    bind(library, secret.itemLoadSecret, "secret_item_load_secret_sync");
    bind(library, secret.itemGetSecret, "secret_item_get_secret");
    bind(library, secret.itemDelete, "secret_item_delete_sync");
    bind(library, secret.valueNew, "secret_value_new");
    bind(library, secret.valueGet, "secret_value_get");
    bind(library, secret.valueUnref, "secret_value_unref");
    bind(library, secret.secretErrorQuark, "secret_error_get_quark");
    bind(library, secret.hashTableNew, "g_hash_table_new");
    bind(library, secret.hashTableInsert, "g_hash_table_insert");
    bind(library, secret.hashTableUnref, "g_hash_table_unref");
    bind(library, secret.stringHash, "g_str_hash");
    bind(library, secret.stringEqual, "g_str_equal");
    bind(library, secret.listAppend, "g_list_append");
    bind(library, secret.listFree, "g_list_free");
    bind(library, secret.listFreeFull, "g_list_free_full");
    bind(library, secret.free, "g_free");
    bind(library, secret.errorFree, "g_error_free");
    bind(library, secret.objectUnref, "g_object_unref");
    bind(library, secret.dbusRemoteError, "g_dbus_error_get_remote_error");
    bind(library, secret.dbusStripRemoteError, "g_dbus_error_strip_remote_error");
    // Kept loaded for the life of the process: GLib's types cannot be unloaded.
    return secret;
}

} // namespace

const SecretLibrary &SecretLibrary::get()
{
    static const SecretLibrary library = load();
    return library;
}

} // namespace tallowin
