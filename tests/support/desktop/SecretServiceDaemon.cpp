#include "tests/support/desktop/SecretServiceDaemon.h"

#include "tests/support/ProcessRunner.h"

#include <gio/gio.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tallowin::test {

namespace {

constexpr std::chrono::seconds startLimit {20};
constexpr std::chrono::seconds stopLimit {10};
constexpr std::chrono::milliseconds pollInterval {10};
constexpr const char *keyringPassword = "test-keyring";
constexpr const char *servicePath = "/org/freedesktop/secrets";
constexpr const char *serviceInterface = "org.freedesktop.Secret.Service";

GDBusConnection *sessionBus()
{
    GError *error = nullptr;
    GDBusConnection *bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus == nullptr) {
        const std::string reason = error ? error->message : "no session bus";
        g_clear_error(&error);
        throw std::runtime_error("The test has no session bus: " + reason);
    }
    return bus;
}

// Calls a method and returns its reply, or nothing when it failed.
GVariant *call(const char *destination, const char *path, const char *interface, const char *method,
    GVariant *parameters, const char *replyType)
{
    GDBusConnection *bus = sessionBus();
    GError *error = nullptr;
    GVariant *reply = g_dbus_connection_call_sync(bus, destination, path, interface, method, parameters,
        G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NO_AUTO_START, 10000, nullptr, &error);
    g_clear_error(&error);
    g_object_unref(bus);
    return reply;
}

std::string defaultKeyring()
{
    GVariant *reply = call(SecretServiceDaemon::busName, servicePath, serviceInterface, "ReadAlias",
        g_variant_new("(s)", "default"), "(o)");
    if (reply == nullptr)
        return "/";
    const gchar *path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    std::string result = path;
    g_variant_unref(reply);
    return result;
}

std::filesystem::path sourceFile(const char *name)
{
    return std::filesystem::path(TALLOWIN_TEST_SOURCE_DIR) / "desktop" / name;
}

} // namespace

void SecretServiceDaemon::requirePrivateBus()
{
    const char *marker = std::getenv("TALLOWIN_TEST_PRIVATE_BUS");
    if (marker == nullptr || std::string(marker) != "1")
        throw std::runtime_error("This test keeps passwords in a Secret Service and must run on a private session "
                                 "bus: run it through ctest, or through tests/desktop/private-session-bus.sh.");
}

bool SecretServiceDaemon::nameHasOwner(const std::string &name)
{
    GVariant *reply = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", name.c_str()), "(b)");
    if (reply == nullptr)
        return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

SecretServiceDaemon::SecretServiceDaemon(Kind kind)
    : m_kind(kind)
{
    requirePrivateBus();
    if (nameHasOwner(busName))
        throw std::runtime_error("Another Secret Service already runs on the test's bus.");
    std::filesystem::create_directories(m_home.path("home"));
    std::filesystem::create_directories(m_home.path("runtime"));
    std::filesystem::permissions(m_home.path("runtime"), std::filesystem::perms::owner_all);
    m_home.write("prompts", "");

    int input[2];
    if (::pipe(input) != 0)
        throw std::runtime_error("pipe failed");
    const std::string home = m_home.path("home").string();
    const std::string runtime = m_home.path("runtime").string();
    const std::string data = m_home.path("home/.local/share").string();
    const std::string log = m_home.path("daemon.log").string();
    const std::string prompts = m_home.path("prompts").string();
    const std::string standIn = sourceFile("stand-in-secret-service.py").string();
    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("GNOME_KEYRING_CONTROL");
        ::dup2(input[0], 0);
        ::close(input[0]);
        ::close(input[1]);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::dup2(out, 1);
        ::dup2(out, 2);
        if (m_kind == Kind::gnomeKeyring)
            ::execlp("gnome-keyring-daemon", "gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets",
                static_cast<char *>(nullptr));
        else
            ::execl("/usr/bin/python3", "python3", standIn.c_str(), prompts.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(input[0]);
    // With --unlock the daemon reads the login keyring's password from its input, creating the keyring with it.
    const std::string password = kind == Kind::gnomeKeyring ? keyringPassword : "";
    [[maybe_unused]] const ssize_t written = ::write(input[1], password.data(), password.size());
    ::close(input[1]);

    const auto deadline = std::chrono::steady_clock::now() + startLimit;
    while (true) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            std::ifstream reason(log);
            throw std::runtime_error("The Secret Service for the test ended at once: "
                + std::string(std::istreambuf_iterator<char>(reason), {}));
        }
        // GNOME Keyring takes its name before it has made the login keyring; the keyring is what tests need.
        if (nameHasOwner(busName) && (kind != Kind::gnomeKeyring || defaultKeyring() != "/"))
            return;
        if (std::chrono::steady_clock::now() > deadline) {
            stop();
            throw std::runtime_error("The Secret Service for the test did not answer within 20 seconds.");
        }
        std::this_thread::sleep_for(pollInterval);
    }
}

SecretServiceDaemon::~SecretServiceDaemon()
{
    stop();
}

void SecretServiceDaemon::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + stopLimit;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(pollInterval);
    }
    m_pid = -1;
    // Gone from the bus, so that the next test's service can take the name.
    const auto released = std::chrono::steady_clock::now() + stopLimit;
    while (nameHasOwner(busName) && std::chrono::steady_clock::now() < released)
        std::this_thread::sleep_for(pollInterval);
}

void SecretServiceDaemon::lock()
{
    const std::string keyring = defaultKeyring();
    GVariantBuilder objects;
    g_variant_builder_init(&objects, G_VARIANT_TYPE("ao"));
    g_variant_builder_add(&objects, "o", keyring.c_str());
    GVariant *reply = call(busName, servicePath, serviceInterface, "Lock", g_variant_new("(ao)", &objects), "(aoo)");
    if (reply == nullptr)
        throw std::runtime_error("The Secret Service did not lock " + keyring + ".");
    g_variant_unref(reply);
}

int SecretServiceDaemon::itemCount(const std::string &schema) const
{
    GVariantBuilder attributes;
    g_variant_builder_init(&attributes, G_VARIANT_TYPE("a{ss}"));
    g_variant_builder_add(&attributes, "{ss}", "xdg:schema", schema.c_str());
    GVariant *reply
        = call(busName, servicePath, serviceInterface, "SearchItems", g_variant_new("(a{ss})", &attributes), "(aoao)");
    if (reply == nullptr)
        throw std::runtime_error("The Secret Service did not answer a search.");
    GVariant *unlocked = g_variant_get_child_value(reply, 0);
    GVariant *locked = g_variant_get_child_value(reply, 1);
    const auto count = static_cast<int>(g_variant_n_children(unlocked) + g_variant_n_children(locked));
    g_variant_unref(unlocked);
    g_variant_unref(locked);
    g_variant_unref(reply);
    return count;
}

std::string SecretServiceDaemon::lookUpWithSecretTool(const std::string &database, const std::string &user) const
{
    return runProcess("/usr/bin/secret-tool", {"lookup", "database", database, "user", user}).out;
}

int SecretServiceDaemon::promptsShown() const
{
    std::ifstream log(m_home.path("prompts"));
    int count = 0;
    for (std::string line; std::getline(log, line);)
        count += line == "prompt" ? 1 : 0;
    return count;
}

} // namespace tallowin::test
