#pragma once

#include "TallowinCore/document/TaskItem.h"

#include <QFrame>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tallowin {

class ElidedLabel;
class TaskStore;
class TallowinActions;

// The card in front: title, context, person, the kind and state badges, the follow-up badge and the sources, with
// the card's own controls. The person edits in place without moving on; the buttons are the window's actions. Its
// accessible name is its title.
class TaskCard : public QFrame
{
    Q_OBJECT

public:
    static constexpr const char *personHelp = "Edit the person without advancing this run";
    static constexpr const char *followUpText = "Highlighted for follow-up";

    TaskCard(TaskStore &store, TallowinActions &actions, QWidget *parent = nullptr);

    void showTask(const std::optional<TaskItem> &task);
    const std::optional<TaskItem> &task() const { return m_task; }

    ElidedLabel *titleLabel() const { return m_title; }
    ElidedLabel *contextLabel() const { return m_context; }
    QLineEdit *personField() const { return m_person; }
    QLabel *kindBadge() const { return m_kind; }
    QLabel *stateBadge() const { return m_state; }
    QLabel *followUpBadge() const { return m_followUp; }
    QLabel *sourcesLabel() const { return m_sources; }
    QToolButton *sourceButton() const { return m_source; }
    QPushButton *completeButton() const { return m_complete; }

    QSize sizeHint() const override { return {560, 400}; }

signals:
    // The card was painted showing the task; for timing the first card on screen.
    void drawn(const QString &taskID);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void commitPerson();
    void applyColours();

    TaskStore &m_store;
    std::optional<TaskItem> m_task;
    ElidedLabel *m_title;
    ElidedLabel *m_context;
    QLineEdit *m_person;
    QLabel *m_kind;
    QLabel *m_state;
    QLabel *m_followUp;
    QLabel *m_sources;
    QToolButton *m_source;
    QPushButton *m_readFullTask;
    QPushButton *m_askChatGPT;
    QPushButton *m_mergeTasks;
    QPushButton *m_complete;
    bool m_keyboardFocus = false;
};

} // namespace tallowin
