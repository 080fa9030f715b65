#include "Tallowin/screens/SyncSettingsSection.h"

#include "Tallowin/presentation/SyncAvailability.h"
#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

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
    m_connectionRows = new QVBoxLayout;
    m_connectionRows->setContentsMargins(0, 0, 0, 0);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_explanation = new QLabel(this);
    m_explanation->setWordWrap(true);
    m_explanation->setTextFormat(Qt::PlainText);
    m_explanation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SheetStyle::apply(m_explanation, SheetStyle::Role::secondary);
    m_syncNow = new QPushButton(QStringLiteral("Sync now"), this);
    m_syncNow->setAccessibleName(m_syncNow->text());
    SheetStyle::apply(m_syncNow, SheetStyle::Role::button);
    connect(m_syncNow, &QPushButton::clicked, this, &SyncSettingsSection::syncNow);

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
        m_store.cloudSync()->requestSync();
}

void SyncSettingsSection::refresh()
{
    TallowinCloudSync *sync = m_store.cloudSync();
    const SyncAvailability availability
        = SyncAvailability::of({m_store.usesCanonicalStorage(), sync != nullptr}, m_store.environment());
    m_status->setText(sync ? QString::fromStdString(sync->status()) : QString());
    m_status->setVisible(sync != nullptr);
    m_explanation->setText(QString::fromStdString(availability.explanation));
    m_explanation->setVisible(!availability.explanation.empty());
    m_syncNow->setEnabled(availability.canSync && sync && !sync->isSyncing());
    m_syncNow->setAccessibleDescription(m_explanation->text());
}

} // namespace tallowin
