#include "Tallowin/store/SyncConnection.h"

#include "TallowinCore/sync/TallowinSyncConfiguration.h"
#include "TallowinCore/sync/TallowinSyncSetup.h"

#include <QPointer>

#include <stdexcept>

namespace tallowin {

namespace {

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The address as typed, with the user name and the password from their own fields. A pasted address may carry
// both; the fields win only where they are filled, and must not contradict it.
TallowinSyncAddress typedAddress(const std::string &text, const std::string &user, const std::string &password)
{
    const std::string address = trimmed(text);
    if (address.empty())
        throw std::runtime_error("Enter the address of your sync database, such as https://host:6984/tallowin.");
    TallowinSyncAddress parsed = TallowinSyncAddress::parse(address);
    const std::string name = trimmed(user);
    if (!name.empty()) {
        if (!parsed.user.empty() && parsed.user != name)
            throw std::runtime_error(
                "The address names the user " + parsed.user + ", but User name says " + name + ".");
        parsed.user = name;
    }
    if (parsed.user.empty())
        throw std::runtime_error("Enter the user name you sign in to the sync database with.");
    if (!password.empty())
        parsed.password = password;
    return parsed;
}

// With no password typed, the one sync uses now, when it is for the same server: changing only the user name or
// the database keeps the password.
void completePassword(TallowinSyncAddress &address, TallowinSyncCredentials &credentials)
{
    if (address.password)
        return;
    const std::optional<TallowinSyncAddress> current = TallowinSyncConfiguration::login(
        &credentials.passwords(), TallowinPasswordStore::Unlocking::ask, credentials.environment());
    if (current && current->serverURL == address.serverURL && current->user == address.user)
        address.password = current->password;
    if (!address.password)
        throw std::runtime_error("Enter the password for " + address.account().description() + ".");
}

} // namespace

SyncConnection::SyncConnection(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
{ }

void SyncConnection::refresh()
{
    m_configured.reset();
    m_configurationProblem.reset();
    m_passwordStatus.clear();
    if (!isAvailable()) {
        emit changed();
        return;
    }
    const Environment &environment = m_services.credentials->environment();
    try {
        if (const std::optional<TallowinSyncAddress> address = TallowinSyncConfiguration::address(environment))
            m_configured = Configured {address->databaseURL, address->user,
                TallowinSyncConfiguration::isFromVariable(environment), address->password.has_value()};
    } catch (const std::exception &error) {
        m_configurationProblem = error.what();
    }
    const int lookup = ++m_lookups;
    if (m_configured && m_configured->passwordInAddress) {
        m_passwordStatus = m_configured->fromVariable
            ? std::string("The password is part of ") + TallowinSyncConfiguration::variable + "."
            : "The password is still in " + TallowinSyncConfiguration::configurationFile(environment).string()
                + ". Save settings to move it into the Secret Service.";
    } else if (m_configured && !m_configured->user.empty()) {
        const TallowinSyncAccount account {m_configured->databaseURL, m_configured->user};
        auto status = std::make_shared<std::string>();
        const QPointer<SyncConnection> self(this);
        m_services.worker->post(
            [credentials = m_services.credentials, account, status, self, mainThread = m_services.mainThread, lookup] {
                try {
                    *status = credentials->passwords().lookup(account, TallowinPasswordStore::Unlocking::never)
                        ? "The password is in the Secret Service."
                        : "No password is stored for " + account.description() + " yet.";
                } catch (const std::exception &error) {
                    *status = error.what();
                }
                mainThread->post([self, status, lookup] {
                    if (!self || lookup != self->m_lookups)
                        return;
                    self->m_passwordStatus = *status;
                    emit self->changed();
                });
            });
    }
    emit changed();
}

void SyncConnection::test(const std::string &address, const std::string &user, const std::string &password)
{
    run(Job::test, [credentials = m_services.credentials, address, user, password] {
        TallowinSyncAddress typed = typedAddress(address, user, password);
        completePassword(typed, *credentials);
        return TallowinSyncSetup::check(typed);
    });
}

void SyncConnection::save(const std::string &address, const std::string &user, const std::string &password)
{
    run(Job::save, [credentials = m_services.credentials, address, user, password] {
        TallowinSyncAddress typed = typedAddress(address, user, password);
        completePassword(typed, *credentials);
        return TallowinSyncSetup::setUp(
            typed, TallowinSyncSetup::Keeping::secretService, credentials->passwords(), credentials->environment());
    });
}

void SyncConnection::forget()
{
    run(Job::forget, [credentials = m_services.credentials] {
        return TallowinSyncSetup::forget(credentials->passwords(), credentials->environment());
    });
}

void SyncConnection::run(Job kind, std::function<std::string()> job)
{
    if (m_busy || !isAvailable())
        return;
    setBusy(true);
    m_outcome.reset();
    emit changed();
    auto outcome = std::make_shared<Outcome>();
    const QPointer<SyncConnection> self(this);
    m_services.worker->post([job = std::move(job), outcome, self, mainThread = m_services.mainThread, kind] {
        try {
            outcome->text = job();
            outcome->succeeded = true;
        } catch (const std::exception &error) {
            outcome->text = error.what();
        }
        mainThread->post([self, outcome, kind] {
            if (!self)
                return;
            self->m_outcome = *outcome;
            self->setBusy(false);
            if (outcome->succeeded && kind != Job::test) {
                self->refresh();
                emit self->setupChanged();
            } else {
                emit self->changed();
            }
            if (kind == Job::save)
                emit self->saveFinished();
        });
    });
}

void SyncConnection::setBusy(bool busy)
{
    m_busy = busy;
}

} // namespace tallowin
