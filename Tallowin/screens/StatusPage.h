#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace tallowin {

class TaskStore;

// Home before there is a deck to show: "Opening your tasks…" until the first load, or the could-not-open state with
// the error and "Try again".
class StatusPage : public QWidget
{
    Q_OBJECT

public:
    enum class Kind { opening, couldNotOpen };

    static constexpr const char *openingText = "Opening your tasks…";
    static constexpr const char *attentionText = "Tallowin needs attention";
    static constexpr const char *couldNotOpenText = "Your tasks could not be opened.";
    static constexpr const char *tryAgainText = "Try again";

    StatusPage(Kind kind, TaskStore &store, QWidget *parent = nullptr);

    QLabel *headingLabel() const { return m_heading; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *errorLabel() const { return m_error; }
    QPushButton *tryAgainButton() const { return m_tryAgain; }

private:
    void refresh();

    Kind m_kind;
    TaskStore &m_store;
    QLabel *m_heading = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_error = nullptr;
    QPushButton *m_tryAgain = nullptr;
};

} // namespace tallowin
