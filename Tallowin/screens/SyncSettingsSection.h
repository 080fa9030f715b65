#pragma once

#include <QWidget>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace tallowin {

class TaskStore;

// The settings' sync part: the connection (server address, user name, password, "Test connection" and "Forget
// password"), the coordinator's status line beneath it as it changes, and "Sync now", which is off with a plain
// reason when this deck cannot sync. The connection's fields are a draft: the settings sheet saves it with the
// rest, through the store's sync connection, which checks it against the server first.
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

    // Whether the fields differ from what is set up (a typed password always does).
    bool connectionEdited() const;
    // Saves the typed connection; the store's sync connection reports with saveFinished().
    void saveConnection();
    void testConnection();
    void forgetPassword();
    // The sentence of the last test, save or forget, or why the setup cannot be read.
    QString connectionResult() const;
    QString passwordStatus() const;

private:
    void refresh();
    void connectionChanged();
    void showConfigured();

    TaskStore &m_store;
    QVBoxLayout *m_connectionRows = nullptr;
    QLineEdit *m_address = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    QLabel *m_passwordStatus = nullptr;
    QLabel *m_variableNote = nullptr;
    QPushButton *m_test = nullptr;
    QPushButton *m_forget = nullptr;
    QLabel *m_connectionResult = nullptr;
    // The address and user as last shown from the setup; the user has edited when the fields differ.
    QString m_shownAddress;
    QString m_shownUser;
    QLabel *m_status = nullptr;
    QLabel *m_explanation = nullptr;
    QPushButton *m_syncNow = nullptr;
};

} // namespace tallowin
