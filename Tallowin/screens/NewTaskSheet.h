#pragma once

#include "Tallowin/screens/TallowinSheet.h"

class QLineEdit;
class QPushButton;

namespace tallowin {

class SheetTextEdit;

// "New task": a title, the useful context and the person; only the title is required.
class NewTaskSheet : public TallowinSheet
{
    Q_OBJECT

public:
    NewTaskSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);

    QString title() const override;
    void submit() override;

    QLineEdit *titleField() const { return m_title; }
    SheetTextEdit *contextField() const { return m_context; }
    QLineEdit *personField() const { return m_person; }
    QPushButton *addButton() const { return m_add; }

private:
    bool hasTitle() const;

    QLineEdit *m_title;
    SheetTextEdit *m_context;
    QLineEdit *m_person;
    QPushButton *m_add;
};

} // namespace tallowin
