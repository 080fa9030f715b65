#pragma once

#include <libsecret/secret.h>

namespace tallowin {

// libsecret, with the GLib calls that go with it, loaded when the password is first needed. Only sync needs it,
// and a machine without it (or without a desktop) keeps every other command working.
struct SecretLibrary
{
    GType (*serviceType)();
    SecretService *(*serviceOpen)(
        GType type, const gchar *busName, SecretServiceFlags flags, GCancellable *cancellable, GError **error);
    GList *(*serviceSearch)(SecretService *service, const SecretSchema *schema, GHashTable *attributes,
        SecretSearchFlags flags, GCancellable *cancellable, GError **error);
    gint (*serviceUnlock)(
        SecretService *service, GList *objects, GCancellable *cancellable, GList **unlocked, GError **error);
    gboolean (*serviceStore)(SecretService *service, const SecretSchema *schema, GHashTable *attributes,
        const gchar *collection, const gchar *label, SecretValue *value, GCancellable *cancellable, GError **error);
    SecretCollection *(*collectionForAlias)(SecretService *service, const gchar *alias, SecretCollectionFlags flags,
        GCancellable *cancellable, GError **error);
    gboolean (*collectionGetLocked)(SecretCollection *collection);
    gchar *(*collectionGetLabel)(SecretCollection *collection);
    gboolean (*itemGetLocked)(SecretItem *item);
    gboolean (*itemLoadSecret)(SecretItem *item, GCancellable *cancellable, GError **error);
    SecretValue *(*itemGetSecret)(SecretItem *item);
    gboolean (*itemDelete)(SecretItem *item, GCancellable *cancellable, GError **error);
    SecretValue *(*valueNew)(const gchar *secret, gssize length, const gchar *contentType);
    const gchar *(*valueGet)(SecretValue *value, gsize *length);
    void (*valueUnref)(gpointer value);
    GQuark (*secretErrorQuark)();

    GHashTable *(*hashTableNew)(GHashFunc hash, GEqualFunc equal);
    gboolean (*hashTableInsert)(GHashTable *table, gpointer key, gpointer value);
    void (*hashTableUnref)(GHashTable *table);
    guint (*stringHash)(gconstpointer text);
    gboolean (*stringEqual)(gconstpointer a, gconstpointer b);
    GList *(*listAppend)(GList *list, gpointer data);
    void (*listFree)(GList *list);
    void (*listFreeFull)(GList *list, GDestroyNotify destroy);
    void (*free)(gpointer memory);
    void (*errorFree)(GError *error);
    void (*objectUnref)(gpointer object);
    gchar *(*dbusRemoteError)(const GError *error);
    gboolean (*dbusStripRemoteError)(GError *error);

    // Loads the library the first time; throws std::runtime_error with a sentence when it cannot, and tries again on
    // the next call.
    static const SecretLibrary &get();
};

} // namespace tallowin
