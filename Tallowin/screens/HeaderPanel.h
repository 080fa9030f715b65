#pragma once

#include <QFrame>

class QAbstractButton;
class QLabel;
class QPushButton;

namespace tallowin {

class TaskStore;
class TallowinActions;

// A small panel that drops down from a header button and closes when the user clicks elsewhere, presses Esc or
// uses one of its buttons. Two of them: the file location (status button) and the discovery scan.
class HeaderPanel : public QFrame
{
    Q_OBJECT

public:
    enum class Kind { fileLocation, discovery };

    static constexpr const char *fileHeading = "Your tasks stay on this Mac";
    static constexpr const char *discoveryHeading = "Find tasks with Codex";
    static constexpr const char *discoveryHelp
        = "Opens a prepared scan in Codex. Connect Slack there and run the scan. "
          "New suggestions return to your inbox for review.";
    static constexpr const char *retryText = "The previous scan is incomplete. Codex will resume it.";

    HeaderPanel(Kind kind, TaskStore &store, TallowinActions &actions, QWidget *parent = nullptr);

    // Drops down under the button, inside the screen.
    void popUp(QAbstractButton *under);

    QLabel *pathLabel() const { return m_path; }
    QLabel *retryLabel() const { return m_retry; }
    QLabel *scanStatusLabel() const { return m_scanStatus; }
    QList<QPushButton *> buttons() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();
    QPushButton *addButton(QAction *action, QLayout *row);

    Kind m_kind;
    TaskStore &m_store;
    QLabel *m_path = nullptr;
    QLabel *m_retry = nullptr;
    QLabel *m_scanStatus = nullptr;
};

} // namespace tallowin
