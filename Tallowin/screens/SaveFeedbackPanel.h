#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

namespace tallowin {

class TaskStore;

// Shown while the store has an error: "Couldn’t save your change", "Your input is still here. " and the error, and
// "Keep editing" to dismiss it. An open sheet shows its own, so that it can be read and dismissed there.
class SaveFeedbackPanel : public QFrame
{
    Q_OBJECT

public:
    static constexpr const char *titleText = "Couldn’t save your change";
    static constexpr const char *leadText = "Your input is still here. ";
    static constexpr const char *keepEditingText = "Keep editing";

    explicit SaveFeedbackPanel(TaskStore &store, QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_title; }
    QLabel *messageLabel() const { return m_message; }
    QPushButton *keepEditingButton() const { return m_keepEditing; }

signals:
    void shownChanged(bool shown);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    TaskStore &m_store;
    QLabel *m_title;
    QLabel *m_message;
    QPushButton *m_keepEditing;
};

} // namespace tallowin
