#include "Tallowin/screens/SyncSettingsSection.h"

#include "Tallowin/presentation/SyncAvailability.h"
#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/sync/TallowinSyncConfiguration.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

namespace {

QLabel *note(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SheetStyle::apply(label, SheetStyle::Role::secondary);
    return label;
}

QPushButton *button(const QString &text, QWidget *parent)
{
    auto *result = new QPushButton(text, parent);
    result->setAccessibleName(text);
    SheetStyle::apply(result, SheetStyle::Role::button);
    return result;
}

QString text(const std::string &value)
{
    return QString::fromStdString(value);
}

} // namespace

SyncSettingsSection::SyncSettingsSection(TaskStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{
    auto *heading = new QLabel(QStringLiteral("iCloud sync"), this);
    SheetStyle::apply(heading, SheetStyle::Role::sectionTitle);
    auto *about = new QLabel(
        QStringLiteral("Tasks and piles are shared with your iPhone and iPad using the same Apple Account."), this);
    about->setWordWrap(true);
    SheetStyle::apply(about, SheetStyle::Role::secondary);

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(10);
    fields->setVerticalSpacing(8);
    fields->setColumnStretch(1, 1);
    const auto field = [&](int row, const QString &name) {
        auto *label = new QLabel(name, this);
        auto *edit = new QLineEdit(this);
        edit->setAccessibleName(name);
        label->setBuddy(edit);
        fields->addWidget(label, row, 0);
        fields->addWidget(edit, row, 1);
        return edit;
    };
    m_address = field(0, QStringLiteral("Server address"));
    m_address->setPlaceholderText(QStringLiteral("https://host:6984/tallowin"));
    m_user = field(1, QStringLiteral("User name"));
    m_password = field(2, QStringLiteral("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_passwordStatus = note(this);
    fields->addWidget(m_passwordStatus, 3, 1);
    m_variableNote = note(this);
    m_variableNote->setText(QStringLiteral("%1 is set and comes before the address saved here.")
                                .arg(QString::fromLatin1(TallowinSyncConfiguration::variable)));
    m_test = button(QStringLiteral("Test connection"), this);
    m_forget = button(QStringLiteral("Forget password"), this);
    auto *connectionButtons = new QHBoxLayout;
    connectionButtons->addWidget(m_test);
    connectionButtons->addWidget(m_forget);
    connectionButtons->addStretch();
    m_connectionResult = note(this);

    m_connectionRows = new QVBoxLayout;
    m_connectionRows->setContentsMargins(0, 4, 0, 0);
    m_connectionRows->setSpacing(6);
    m_connectionRows->addLayout(fields);
    m_connectionRows->addWidget(m_variableNote);
    m_connectionRows->addLayout(connectionButtons);
    m_connectionRows->addWidget(m_connectionResult);

    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_explanation = note(this);
    m_syncNow = button(QStringLiteral("Sync now"), this);
    connect(m_syncNow, &QPushButton::clicked, this, &SyncSettingsSection::syncNow);
    connect(m_test, &QPushButton::clicked, this, &SyncSettingsSection::testConnection);
    connect(m_forget, &QPushButton::clicked, this, &SyncSettingsSection::forgetPassword);

    auto *actionRow = new QHBoxLayout;
    actionRow->addWidget(m_syncNow);
    actionRow->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(heading);
    layout->addWidget(about);
    layout->addLayout(m_connectionRows);
    layout->addSpacing(2);
    layout->addWidget(m_status);
    layout->addWidget(m_explanation);
    layout->addLayout(actionRow);

    connect(&store, &TaskStore::cloudSyncChanged, this, &SyncSettingsSection::refresh);
    connect(&store, &TaskStore::hasLoadedChanged, this, &SyncSettingsSection::refresh);
    connect(&store.syncConnection(), &SyncConnection::changed, this, &SyncSettingsSection::connectionChanged);
    store.syncConnection().refresh();
    showConfigured();
    refresh();
}

QString SyncSettingsSection::status() const
{
    return m_status->text();
}

QString SyncSettingsSection::explanation() const
{
    return m_explanation->text();
}

bool SyncSettingsSection::canSyncNow() const
{
    return m_syncNow->isEnabled();
}

void SyncSettingsSection::syncNow()
{
    if (canSyncNow())
        m_store.syncNow();
}

bool SyncSettingsSection::connectionEdited() const
{
    return m_address->text().trimmed() != m_shownAddress || m_user->text().trimmed() != m_shownUser
        || !m_password->text().isEmpty();
}

void SyncSettingsSection::saveConnection()
{
    m_store.syncConnection().save(
        m_address->text().toStdString(), m_user->text().toStdString(), m_password->text().toStdString());
}

void SyncSettingsSection::testConnection()
{
    m_store.syncConnection().test(
        m_address->text().toStdString(), m_user->text().toStdString(), m_password->text().toStdString());
}

void SyncSettingsSection::forgetPassword()
{
    m_store.syncConnection().forget();
}

QString SyncSettingsSection::connectionResult() const
{
    return m_connectionResult->text();
}

QString SyncSettingsSection::passwordStatus() const
{
    return m_passwordStatus->text();
}

void SyncSettingsSection::showConfigured()
{
    const SyncConnection &connection = m_store.syncConnection();
    const bool edited = connectionEdited();
    m_shownAddress = connection.configured() ? text(connection.configured()->databaseURL) : QString();
    m_shownUser = connection.configured() ? text(connection.configured()->user) : QString();
    // What the user typed stays until it is saved.
    if (edited)
        return;
    m_address->setText(m_shownAddress);
    m_user->setText(m_shownUser);
}

void SyncSettingsSection::connectionChanged()
{
    const SyncConnection &connection = m_store.syncConnection();
    const std::optional<SyncConnection::Outcome> &outcome = connection.outcome();
    // A password that was kept is gone from the field; one that failed stays to be corrected.
    if (outcome && outcome->succeeded && !connection.isBusy() && connection.configured()
        && text(connection.configured()->databaseURL) == m_address->text().trimmed())
        m_password->clear();
    showConfigured();
    refresh();
}

void SyncSettingsSection::refresh()
{
    const SyncConnection &connection = m_store.syncConnection();
    const bool available = connection.isAvailable();
    for (QWidget *part : {static_cast<QWidget *>(m_address), static_cast<QWidget *>(m_user),
             static_cast<QWidget *>(m_password), static_cast<QWidget *>(m_test), static_cast<QWidget *>(m_forget)})
        part->setVisible(available);
    for (QLabel *label : findChildren<QLabel *>()) {
        if (label->buddy())
            label->setVisible(available);
    }
    m_passwordStatus->setText(text(connection.passwordStatus()));
    m_passwordStatus->setVisible(available && !connection.passwordStatus().empty());
    m_variableNote->setVisible(available && connection.configured() && connection.configured()->fromVariable);
    m_test->setEnabled(!connection.isBusy());
    m_forget->setEnabled(!connection.isBusy() && connection.configured() && !connection.configured()->user.empty());
    const std::optional<SyncConnection::Outcome> &outcome = connection.outcome();
    const std::optional<std::string> &problem = connection.configurationProblem();
    m_connectionResult->setText(outcome ? text(outcome->text) : problem ? text(*problem) : QString());
    SheetStyle::apply(m_connectionResult,
        (outcome && !outcome->succeeded) || (!outcome && problem) ? SheetStyle::Role::danger
                                                                  : SheetStyle::Role::secondary);
    m_connectionResult->setVisible(available && !m_connectionResult->text().isEmpty());

    TallowinCloudSync *sync = m_store.cloudSync();
    const SyncAvailability availability
        = SyncAvailability::of({m_store.usesCanonicalStorage(), sync != nullptr}, m_store.environment());
    m_status->setText(sync ? text(sync->status()) : QString());
    m_status->setVisible(sync != nullptr);
    m_explanation->setText(text(availability.explanation));
    m_explanation->setVisible(!availability.explanation.empty());
    m_syncNow->setEnabled(availability.canSync && sync && !sync->isSyncing());
    m_syncNow->setAccessibleDescription(m_explanation->text());
}

} // namespace tallowin
