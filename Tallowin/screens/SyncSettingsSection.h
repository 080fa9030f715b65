#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tallowin {

class TaskStore;

// The settings' sync part: the coordinator's status line as it changes, and "Sync now", which is off with a plain
// reason when this deck cannot sync. The connection's own fields (server, user, password, a test) belong in
// connectionRows() once they exist.
class SyncSettingsSection : public QWidget
{
    Q_OBJECT

public:
    explicit SyncSettingsSection(TaskStore &store, QWidget *parent = nullptr);

    QString status() const;
    QString explanation() const;
    bool canSyncNow() const;
    void syncNow();

    QVBoxLayout *connectionRows() const { return m_connectionRows; }

private:
    void refresh();

    TaskStore &m_store;
    QVBoxLayout *m_connectionRows = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_explanation = nullptr;
    QPushButton *m_syncNow = nullptr;
};

} // namespace tallowin
