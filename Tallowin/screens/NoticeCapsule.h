#pragma once

#include <QFrame>
#include <QTimer>

class QLabel;
class QPushButton;

namespace tallowin {

class TaskStore;
class TallowinActions;

// The store's notice at the bottom of the window, cleared after a few seconds. After a removal, a delay or a
// completion it carries Undo, which people want most right after a drop.
class NoticeCapsule : public QFrame
{
    Q_OBJECT

public:
    static constexpr int visibleMs = 4000;

    NoticeCapsule(TaskStore &store, TallowinActions &actions, QWidget *parent = nullptr);

    QLabel *textLabel() const { return m_text; }
    QPushButton *undoButton() const { return m_undo; }
    // Keeps the capsule at the bottom centre of its parent.
    void place();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refresh();
    QColor fill() const;
    void applyColours();

    TaskStore &m_store;
    QLabel *m_text;
    QPushButton *m_undo;
    QTimer m_timer;
};

} // namespace tallowin
