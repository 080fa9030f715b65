#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QPushButton;

namespace tallowin {

class TallowinActions;
class TaskStore;

// What the review canvas shows without a card: a new deck, an empty review queue, or a finished run.
class EmptyStateView : public QWidget
{
    Q_OBJECT

public:
    enum class Kind { newDeck, allCaughtUp, runFinished };

    EmptyStateView(TallowinActions &actions, QWidget *parent = nullptr);

    // Which state a deck without a card in front is in.
    static Kind kindFor(const TaskStore &store);
    void showKind(Kind kind);
    Kind kind() const { return m_kind; }

    QLabel *titleLabel() const { return m_title; }
    QLabel *textLabel() const { return m_text; }
    QPushButton *newTaskButton() const { return m_newTask; }
    QPushButton *reviewAgainButton() const { return m_reviewAgain; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyColours();

    Kind m_kind = Kind::allCaughtUp;
    QLabel *m_title;
    QLabel *m_text;
    QPushButton *m_newTask;
    QPushButton *m_reviewAgain;
};

} // namespace tallowin
