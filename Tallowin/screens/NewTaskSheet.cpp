#include "Tallowin/screens/NewTaskSheet.h"

#include "Tallowin/screens/SheetParts.h"
#include "Tallowin/screens/SheetTextEdit.h"
#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

NewTaskSheet::NewTaskSheet(TaskStore &store, const TallowinPresentation &, QWidget *parent)
    : TallowinSheet(store, parent)
{
    setObjectName(QStringLiteral("newTaskSheet"));
    auto *heading = SheetParts::heading(title(), this);
    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("taskTitle"));
    m_title->setPlaceholderText(QStringLiteral("What needs to happen?"));
    m_title->setFont(TallowinStyle::font(m_title, 16, QFont::Medium));
    m_context = new SheetTextEdit(QStringLiteral("Add the useful context"), this);
    m_context->setObjectName(QStringLiteral("taskContext"));
    m_person = new QLineEdit(this);
    m_person->setObjectName(QStringLiteral("taskPerson"));
    m_person->setPlaceholderText(QStringLiteral("Person, optional"));
    for (QLineEdit *field : {m_title, m_person})
        field->setAccessibleName(field->placeholderText());
    auto *hint = SheetParts::hint(QStringLiteral("Only a title is required. Return saves · Esc closes"), this);
    m_add = SheetParts::primaryButton(QStringLiteral("Add task"), this);
    m_add->setObjectName(QStringLiteral("addTask"));
    connect(m_add, &QPushButton::clicked, this, &NewTaskSheet::submit);
    connect(m_title, &QLineEdit::textChanged, this, [this] { m_add->setEnabled(hasTitle()); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(heading);
    layout->addSpacing(6);
    layout->addWidget(m_title);
    layout->addWidget(m_context);
    layout->addWidget(m_person);
    layout->addWidget(hint);
    layout->addSpacing(10);
    layout->addLayout(SheetParts::buttonRow(SheetParts::cancelButton(store, this), m_add));
    m_add->setEnabled(false);
    setFocusProxy(m_title);
}

QString NewTaskSheet::title() const
{
    return QStringLiteral("New task");
}

bool NewTaskSheet::hasTitle() const
{
    return !m_title->text().trimmed().isEmpty();
}

void NewTaskSheet::submit()
{
    if (!hasTitle())
        return;
    // A refused add (a save is being written) keeps the sheet and its text.
    if (store().addTask(m_title->text().toStdString(), m_context->text().toStdString(), m_person->text().toStdString()))
        store().dismissPresentation();
}

} // namespace tallowin
